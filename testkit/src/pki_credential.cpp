// A certificate with its key: chain text, PKCS#12 and files.
#include <openssl/pkcs12.h>

#include <stdexcept>

#include "pki_openssl.h"
#include "testkit/platform_root.h"

namespace testkit::pki {

namespace {

std::string text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

}  // namespace

std::string Credential::chainPem() const {
    std::string pem = certificate.pem();
    for (const auto& issuer : chain) pem += issuer.pem();
    return pem;
}

// OpenSSL's defaults: AES-256-CBC with PBKDF2, and a SHA-256 MAC.
Bytes Credential::pkcs12(std::string_view password) const {
    const detail::PKey pkey = detail::toOpenssl(key);
    const detail::Cert cert = detail::toOpenssl(certificate);
    const std::string pass(password);
    detail::Owned<PKCS12, PKCS12_free> p12(detail::require(
        PKCS12_create(pass.c_str(), nullptr, pkey.get(), cert.get(), nullptr, 0, 0, 0, 0, 0), "PKCS12_create"));
    return detail::derOf(i2d_PKCS12, p12.get());
}

Credential::Files Credential::write(const std::filesystem::path& folder, std::string_view name) const {
    const std::string base(name);
    const Files files{folder / (base + ".pem"), folder / (base + ".der"), folder / (base + ".key"),
                      folder / (base + "-chain.pem")};
    writeFile(files.certificatePem, certificate.pem());
    writeFile(files.certificateDer, text(certificate.der()));
    writeFile(files.keyPem, key.pkcs8Pem());
    writeFile(files.chainPem, chainPem());
    return files;
}

Credential Credential::read(const std::filesystem::path& folder, std::string_view name) {
    const std::string base(name);
    const auto certificates = detail::dersOfPem(readFile(folder / (base + "-chain.pem")), "CERTIFICATE");
    const auto keys = detail::dersOfPem(readFile(folder / (base + ".key")), "PRIVATE KEY");
    if (certificates.empty() || keys.size() != 1)
        throw std::runtime_error("no credential " + base + " in " + folder.string());
    Credential credential{Certificate::fromDer(certificates.front()), Key::fromPkcs8(keys.front()), {}};
    for (std::size_t n = 1; n < certificates.size(); ++n)
        credential.chain.push_back(Certificate::fromDer(certificates[n]));
    return credential;
}

}  // namespace testkit::pki
