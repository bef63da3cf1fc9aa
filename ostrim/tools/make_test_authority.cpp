// Writes the authority's three certificates for a test build, made by
// testkit's PKI: a self-signed RSA 4096 root and two qualified CAs under it,
// the older with an RSA 2048 key and the newer with an RSA 4096 key, each
// SHA-256 with RSA, critical CA constraints with path length 1 below the
// root. Each key is written beside its certificate, so that tests issue
// their certificates under the very authority the module installs; a test
// build's authority is a stand-in whose keys guard nothing.
//   make_test_authority <folder>   ->  root, ca-older and ca-newer, each as
//   .pem, .der, .key (PKCS#8) and -chain.pem (testkit's Credential::write)
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>

#include "testkit/pki.h"

namespace {

using namespace testkit::pki;
using namespace std::chrono_literals;

constexpr auto kYear = 24h * 365;

Name nameOf(std::string commonName) {
    return {{"C", "SK", StringType::Printable}, {"O", "Tesk", StringType::Utf8}, {"CN", std::move(commonName)}};
}

Credential authorityRoot() {
    return CertificateBuilder()
        .subject(nameOf("Tesk National Root CA"))
        .key(Key::rsa(4096, "ostrim-root"))
        // From ten years back, as testkit's own roots: the CAs tests make
        // under it (valid from five years back) lie within it.
        .validity(fromNow(-10 * kYear), fromNow(20 * kYear))
        .basicConstraints({.ca = true})
        .keyUsage(kKeyCertSign | kCrlSign)
        .build();
}

Credential qualifiedCa(const Credential& root, std::string commonName, unsigned bits) {
    return CertificateBuilder()
        .subject(nameOf(std::move(commonName)))
        .key(Key::rsa(bits, "ostrim-" + std::to_string(bits)))
        .issuedBy(root)
        .validity(fromNow(-kYear), fromNow(10 * kYear))
        .basicConstraints({.ca = true, .pathLength = 1})
        .keyUsage(kKeyCertSign | kCrlSign)
        .build();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make_test_authority <folder>\n", stderr);
        return 1;
    }
    try {
        const std::filesystem::path folder = argv[1];
        std::filesystem::create_directories(folder);
        const Credential root = authorityRoot();
        root.write(folder, "root");
        qualifiedCa(root, "Tesk Qualified CA 1", 2048).write(folder, "ca-older");
        qualifiedCa(root, "Tesk Qualified CA 2", 4096).write(folder, "ca-newer");
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_test_authority: %s\n", e.what());
        return 1;
    }
}
