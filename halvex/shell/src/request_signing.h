// Signing the renewal documents: the main request's document into a signed
// container through the signer (Mirelo), the further requests' documents
// as PKCS#7 signed messages through the enrolment object (Pentak). Each
// failure is shown to the user and gives false.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

struct IPentak;

namespace halvex {

class Mirelo;

// Writes the document as UTF-8 into a fresh working file, checks that the
// file holds exactly those bytes, signs it with the certificate (PEM) into
// a container and reads the container's bytes unchanged; the working files
// are gone afterwards, whatever happened. `written` runs with the working
// file once the document is in it, before it is read back (where a test
// plays someone changing the file).
bool SignRequest(Mirelo& signer, const std::u16string& certificatePem, const std::u16string& xml,
                 std::string& container,
                 const std::function<void(const std::filesystem::path&)>& written = {});

// The hash the signature algorithm of a request uses: SHA-1, SHA-256,
// SHA-384 or SHA-512 with RSA; empty for another algorithm.
std::u16string HashOfSignatureAlgorithm(const std::u16string& signatureOid);

// Signs the message with the certificate under the hash of the request's
// signature algorithm; the result is the signed message as a
// "-----BEGIN PKCS7-----" block. The enrolment object shows the user what
// is signed and asks first.
bool SignRequestPkcs7(IPentak* pentak, std::u16string& pem, const std::u16string& certificatePem,
                      const std::u16string& message, const std::u16string& signatureOid);

}  // namespace halvex
