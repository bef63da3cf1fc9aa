// The authority's certificates a qualified signature needs on the machine:
// the national root in "Root" and the authority's qualified CA, issued by
// it, in "CA". Their names and the addresses they can be downloaded from
// are the program's configuration.
#pragma once

#include <optional>
#include <string>

namespace halvex {

struct RequiredCertificate {
    std::u16string store;
    std::u16string subject;  // found as part of the certificate's subject
    std::u16string issuer;   // found as part of its issuer
    std::u16string downloadUrl;
};

inline constexpr char16_t kNationalRootName[] = u"Tesk National Root CA";
inline constexpr char16_t kQualifiedCaName[] = u"Tesk Qualified CA";
inline constexpr char16_t kNationalRootUrl[] = u"http://www.tesk.example/certifikaty/root.crt";
inline constexpr char16_t kQualifiedCaUrl[] = u"http://www.tesk.example/certifikaty/qca.crt";

// The first required certificate that no time-valid certificate of its
// store matches; nothing when all are there.
std::optional<RequiredCertificate> FirstMissingRequiredCertificate();

}  // namespace halvex
