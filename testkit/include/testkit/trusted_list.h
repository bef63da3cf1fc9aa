// The signing component's signed inputs, made from testkit's PKI with the
// `openssl cms` command line: the signed configuration (Base64 of a CMS
// message carrying its text) and the trusted list (FILE=/HASH/NOTICE=
// triples naming signature policies and root certificates by digest),
// signed as a DER file or put as A<stamp>.p7m into a container written by
// Python's zipfile.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "testkit/pki.h"

namespace testkit::trusted_list {

// The configuration signer whose certificate the signer builds in unless a
// build names another (testkit/data/config_signer.pem and .key).
std::filesystem::path configSignerCertificate();
std::filesystem::path configSignerKey();

// `openssl cms -sign -nodetach -binary -outform DER` of the content, with
// the signer's certificate, its chain, SHA-256 and further options of
// openssl's (such as "-keyid").
Bytes signCms(std::string_view content, const std::filesystem::path& certificatePem,
              const std::filesystem::path& keyPem, const std::vector<pki::Certificate>& chain = {},
              const std::vector<std::string>& options = {});
Bytes signCms(std::string_view content, const pki::Credential& signer, const std::vector<std::string>& options = {});

// The signed configuration as the signer reads it: Base64 on one line of
// the message signed by the configuration signer, or by another.
std::string signedConfiguration(std::string_view text, const std::vector<std::string>& options = {});
std::string signedConfiguration(std::string_view text, const pki::Credential& signer);

// One listed item: the path whose file name holds the time it was listed
// ("policies/signaturePolicy_20100101000000Z.der"), the item's bytes
// (a policy's DER, a root certificate's DER) with the digest that names
// them, the end of validity ("20301231235959Z") and the notice's items in
// order ("OID", "ExplicitPolicy", "FieldOfApplication", ...).
struct Record {
    std::string file;
    Bytes item;
    pki::Hash hash = pki::Hash::Sha1;
    std::string notAfter;
    std::vector<std::pair<std::string, std::string>> items;
};

// The UTC time as the list writes it: "YYYYMMDDhhmmssZ".
std::string stamp(pki::Instant when);
// The digest text of the bytes: upper-case hexadecimal.
std::string digestHex(const Bytes& bytes, pki::Hash hash);
// The list's text, one field a line (CRLF): FILE=<file>, then
// HASH(<name>:<OID with blanks>)=<digest>, then NOTICE=<notAfter> NotAfter
// and ", name=value" per item.
std::string listText(const std::vector<Record>& records);

// A container (.kyd) holding the signed list as D<stamp>\A<stamp>.p7m,
// written by Python's zipfile.
void writeContainer(const std::filesystem::path& file, const Bytes& signedList, std::string_view stamp);

}  // namespace testkit::trusted_list
