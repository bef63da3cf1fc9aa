// CRLs for the revocation tests: made by `openssl ca -gencrl` from an index
// file, a CRL number and a configuration written at test time, with the
// CRL's extensions in openssl's configuration syntax; OpenSSL's library adds
// what `openssl ca` cannot (extensions of a CRL entry, extension values for
// certificates). Kept apart from the CryptoAPI headers, as OpenSSL and
// CryptoAPI both name X509_NAME.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "testkit/pki.h"

namespace crl_test {

using testkit::Bytes;

struct Revoked {
    Bytes serial;        // big-endian magnitude
    std::string reason;  // as `openssl ca` reads it: "keyCompromise", "certificateHold,holdInstructionReject" ...
};

struct CrlOrder {
    std::vector<Revoked> revoked;
    unsigned number = 1;
    // Lines of the CRL extension section (an authority key identifier is
    // always there), and further sections they refer to.
    std::string extensions;
    std::string sections;
    std::chrono::hours age{1};  // thisUpdate this long ago; nextUpdate a week from now
};

// One CA's (or CRL signer's) CRLs, in a folder of the test's own.
class CrlAuthority {
public:
    CrlAuthority(const testkit::pki::Credential& signer, std::filesystem::path folder);
    Bytes issue(const CrlOrder& order) const;

private:
    std::filesystem::path m_folder, m_certificate, m_key;
};

// The CRL with the extension added to the entry of the serial number,
// signed again with the key.
Bytes withEntryExtension(const Bytes& crl, const testkit::pki::Key& key, const Bytes& serial,
                         const testkit::pki::Extension& extension);
// The value (DER) of an extension written as in openssl's configuration:
// `name = value`, with `sections` for what the value refers to.
Bytes extensionValue(const std::string& name, const std::string& value, const std::string& sections = "");
// GeneralNames holding the certificate's subject as a directory name.
Bytes subjectAsGeneralNames(const Bytes& certificate);
// A CRL as PEM, for `openssl verify -CRLfile`.
std::string crlPem(const Bytes& crl);

}  // namespace crl_test
