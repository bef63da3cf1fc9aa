// The providers the renewal program knows: for each provider name its
// flags, whether it is offered and whether it is a proof provider; the
// built-in entries and those of the settings file, and the installed
// providers listed with them for the provider choice.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/cryptoapi.h"

struct IPentak;

namespace halvex {

// Provider flags (built-in entries also carry 0x2 and 0x100, whose use is
// the provider choice's).
inline constexpr DWORD kProviderOther = 0x1;
inline constexpr DWORD kProviderCard = 0x4;
inline constexpr DWORD kProviderSscd = 0x8;
inline constexpr DWORD kProviderParvel = 0x10;
inline constexpr DWORD kProviderParvelNative = 0x20;
inline constexpr DWORD kProviderLabelsKeys = 0x40;  // its key objects get labels
inline constexpr DWORD kProviderSoftware = 0x80;

struct ProviderEntry {
    DWORD flags = 0;
    DWORD enabled = 1;
    DWORD proof = 0;
    bool operator==(const ProviderEntry&) const = default;
};

// One installed provider as the provider choice offers it.
struct ListedProvider {
    std::u16string name;
    DWORD type = 0;
    ProviderEntry entry;  // flags 0, enabled, no proof when it has no entry
    bool operator==(const ListedProvider&) const = default;
};

// The signature algorithm a provider must offer to pass the SHA-2 test.
inline constexpr char16_t kSha256RsaOid[] = u"1.2.840.113549.1.1.11";

class TCSPManager : public TCryptoapi {
public:
    // Holds the built-in entries, each enabled and without proof.
    TCSPManager();
    ~TCSPManager() override;

    // Inserts the entry of that name or replaces it whole.
    void SetProvider(const std::u16string& name, DWORD flags, DWORD enabled, DWORD proof);
    using TCryptoapi::SetProvider;
    // Names compare exactly.
    std::optional<ProviderEntry> Lookup(const std::u16string& name) const;
    // The entry exists and shares at least one bit with flags.
    bool HasFlags(const std::u16string& name, DWORD flags) const;

    // Replaces out with the installed providers of type 1, then of type 24,
    // each with its entry. With an enrolment object, a provider is listed
    // only when that object, given the provider's name and type, reports
    // the SHA-256 with RSA signature as supported (the object's provider
    // stays the last one tested). The number listed.
    std::size_t GetCryptoCSPList(std::vector<ListedProvider>& out, IPentak* sha2Test) const;

private:
    std::map<std::u16string, ProviderEntry> m_providers;
};

}  // namespace halvex
