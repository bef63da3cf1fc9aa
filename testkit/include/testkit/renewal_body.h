// Renewal-request bodies as the renewal program sends them, made with the
// command-line peers, for tests of the renewal server and its client.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "testkit/pki.h"

namespace testkit::renewal {

// Base64 of a PKCS#10 request for a fresh 2048-bit RSA key (`openssl req`,
// subject CN=commonName), in lines of 64 characters ending in LF: the
// request text of a renewal document.
std::string newRequestText(const std::string& commonName);

// The document signed by the credential (content inside, with its chain)
// as a "-----BEGIN PKCS7-----" block.
std::string pkcs7Block(std::string_view document, const pki::Credential& signer);

// The body: a container (written by Python's zipfile) whose folder
// D<stamp> holds the document as a MIME entity M<stamp>.eml (Base64 body)
// and its CMS signature S<stamp>.p7s by `signer`, in Base64 lines inside
// the Tesk Kyd armour, followed by the blocks.
std::string renewalBody(std::string_view document, const pki::Credential& signer,
                        const std::vector<std::string>& pkcs7Blocks = {});

}  // namespace testkit::renewal
