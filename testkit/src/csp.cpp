#include "testkit/csp.h"

#include <gtest/gtest.h>
#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/pem.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "platform/owned.h"
#include "platform/ui.h"
#include "testkit/process.h"
#include "win32/crypt_encode.h"
#include "win32/crypt_store.h"
#include "win32/error.h"
#include "win32/memory.h"
#include "win32/ui.h"

namespace testkit {

namespace {

void expect(BOOL ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string(what) + " failed, last error " + std::to_string(GetLastError()));
}

using Bignum = platform::Owned<BIGNUM, BN_free>;
using ParamBuild = platform::Owned<OSSL_PARAM_BLD, OSSL_PARAM_BLD_free>;
using Params = platform::Owned<OSSL_PARAM, OSSL_PARAM_free>;
using PKeyCtx = platform::Owned<EVP_PKEY_CTX, EVP_PKEY_CTX_free>;
using PKey = platform::Owned<EVP_PKEY, EVP_PKEY_free>;
using Bio = platform::Owned<BIO, BIO_free>;

}  // namespace

void PrintTo(CspKind kind, std::ostream* out) { *out << (kind == CspKind::Software ? "Software" : "SoftHsmToken"); }

TestCsp::TestCsp(CspKind kind, const PlatformRoot& root, std::u16string container)
    : m_container(std::move(container)) {
    if (kind == CspKind::SoftHsmToken) {
        m_token = std::make_unique<SoftHsmToken>(root);
        m_provider = m_token->options().provider;
    } else {
        m_provider = u"Microsoft Enhanced RSA and AES Cryptographic Provider";
    }
    const DWORD type = kind == CspKind::Software ? PROV_RSA_AES : PROV_RSA_FULL;
    expect(CryptAcquireContextW(&m_prov, m_container.c_str(), m_provider.c_str(), type, CRYPT_NEWKEYSET),
           "CryptAcquireContext(CRYPT_NEWKEYSET)");
    if (m_token) {
        const std::string pin = m_token->options().pin;
        // One user PIN serves both keys of a token.
        expect(CryptSetProvParam(m_prov, PP_SIGNATURE_PIN, reinterpret_cast<const BYTE*>(pin.c_str()), 0),
               "CryptSetProvParam(PP_SIGNATURE_PIN)");
    }
}

TestCsp::~TestCsp() { release(); }

void TestCsp::release() {
    if (m_prov) CryptReleaseContext(m_prov, 0);
    m_prov = 0;
}

void TestCsp::generate(DWORD keySpec, DWORD bits, DWORD flags) {
    HCRYPTKEY key = 0;
    expect(CryptGenKey(m_prov, keySpec, (bits << 16) | flags, &key), "CryptGenKey");
    CryptDestroyKey(key);
}

std::vector<BYTE> TestCsp::sign(DWORD keySpec, ALG_ID hash, std::string_view data) {
    HCRYPTHASH h = 0;
    expect(CryptCreateHash(m_prov, hash, 0, 0, &h), "CryptCreateHash");
    std::vector<BYTE> signature;
    try {
        expect(CryptHashData(h, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()), 0),
               "CryptHashData");
        DWORD size = 0;
        expect(CryptSignHashW(h, keySpec, nullptr, 0, nullptr, &size), "CryptSignHash (size)");
        signature.resize(size);
        expect(CryptSignHashW(h, keySpec, nullptr, 0, signature.data(), &size), "CryptSignHash");
        signature.resize(size);
    } catch (...) {
        CryptDestroyHash(h);
        throw;
    }
    CryptDestroyHash(h);
    return signature;
}

std::vector<BYTE> TestCsp::publicBlob(DWORD keySpec) {
    HCRYPTKEY key = 0;
    expect(CryptGetUserKey(m_prov, keySpec, &key), "CryptGetUserKey");
    DWORD size = 0;
    const BOOL sized = CryptExportKey(key, 0, PUBLICKEYBLOB, 0, nullptr, &size);
    std::vector<BYTE> blob(size);
    const BOOL done = sized && CryptExportKey(key, 0, PUBLICKEYBLOB, 0, blob.data(), &size);
    CryptDestroyKey(key);
    expect(done, "CryptExportKey(PUBLICKEYBLOB)");
    return blob;
}

// PUBLICKEYSTRUC (8 bytes), RSAPUBKEY (magic, bit length, exponent), then
// the little-endian modulus.
std::string TestCsp::publicKeyPem(DWORD keySpec) {
    const std::vector<BYTE> blob = publicBlob(keySpec);
    DWORD bits = 0;
    DWORD exponent = 0;
    std::memcpy(&bits, blob.data() + 12, 4);
    std::memcpy(&exponent, blob.data() + 16, 4);
    const Bignum n(BN_lebin2bn(blob.data() + 20, static_cast<int>(bits / 8), nullptr));
    const Bignum e(BN_new());
    BN_set_word(e.get(), exponent);
    const ParamBuild build(OSSL_PARAM_BLD_new());
    OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_RSA_N, n.get());
    OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_RSA_E, e.get());
    const Params params(OSSL_PARAM_BLD_to_param(build.get()));
    const PKeyCtx ctx(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
    EVP_PKEY* raw = nullptr;
    if (EVP_PKEY_fromdata_init(ctx.get()) != 1 ||
        EVP_PKEY_fromdata(ctx.get(), &raw, EVP_PKEY_PUBLIC_KEY, params.get()) != 1)
        throw std::runtime_error("the PUBLICKEYBLOB is not an RSA key");
    const PKey key(raw);
    const Bio bio(BIO_new(BIO_s_mem()));
    PEM_write_bio_PUBKEY(bio.get(), key.get());
    char* text = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &text);
    std::string pem(text, static_cast<std::size_t>(size));
    return pem;
}

PCCERT_CONTEXT TestCsp::certificateWithKey(const std::string& commonName, const pki::Credential& issuer) {
    return certificateWithKey(pki::CertificateBuilder().subject(pki::Name{{"CN", commonName}}).issuedBy(issuer),
                              commonName);
}

PCCERT_CONTEXT TestCsp::certificateWithKey(pki::CertificateBuilder builder, const std::string& keyName) {
    // A token makes its own keys; the software provider takes the cached one.
    const Bytes der = (m_token ? builder.publicKey(generatedPublicKey()) : builder.key(importedKey(keyName)))
                          .build()
                          .certificate.der();
    PCCERT_CONTEXT cert = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    expect(cert != nullptr, "CertCreateCertificateContext");
    const DWORD type = m_token ? PROV_RSA_FULL : PROV_RSA_AES;
    CRYPT_KEY_PROV_INFO info{m_container.data(), m_provider.data(), type, 0, 0, nullptr, AT_KEYEXCHANGE};
    expect(CertSetCertificateContextProperty(cert, CERT_KEY_PROV_INFO_PROP_ID, 0, &info),
           "CertSetCertificateContextProperty(CERT_KEY_PROV_INFO_PROP_ID)");
    return cert;
}

pki::Key TestCsp::importedKey(const std::string& keyName) {
    const pki::Key key = pki::Key::rsa(2048, keyName);
    const Bytes pkcs1 = key.pkcs1Der();
    BYTE* blob = nullptr;
    DWORD size = 0;
    expect(CryptDecodeObjectEx(X509_ASN_ENCODING, PKCS_RSA_PRIVATE_KEY, pkcs1.data(), static_cast<DWORD>(pkcs1.size()),
                               CRYPT_DECODE_ALLOC_FLAG, nullptr, &blob, &size),
           "CryptDecodeObjectEx(PKCS_RSA_PRIVATE_KEY)");
    HCRYPTKEY imported = 0;
    const BOOL ok = CryptImportKey(m_prov, blob, size, 0, 0, &imported);
    LocalFree(blob);
    expect(ok, "CryptImportKey");
    CryptDestroyKey(imported);
    return key;
}

Bytes TestCsp::generatedPublicKey() {
    generate(AT_KEYEXCHANGE, 2048);
    DWORD size = 0;
    expect(CryptExportPublicKeyInfo(m_prov, AT_KEYEXCHANGE, X509_ASN_ENCODING, nullptr, &size),
           "CryptExportPublicKeyInfo");
    std::vector<std::max_align_t> block(size / sizeof(std::max_align_t) + 1);
    auto* info = reinterpret_cast<PCERT_PUBLIC_KEY_INFO>(block.data());
    expect(CryptExportPublicKeyInfo(m_prov, AT_KEYEXCHANGE, X509_ASN_ENCODING, info, &size),
           "CryptExportPublicKeyInfo");
    DWORD encodedSize = 0;
    expect(CryptEncodeObject(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, info, nullptr, &encodedSize),
           "CryptEncodeObject(X509_PUBLIC_KEY_INFO)");
    Bytes encoded(encodedSize);
    expect(CryptEncodeObject(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, info, encoded.data(), &encodedSize),
           "CryptEncodeObject(X509_PUBLIC_KEY_INFO)");
    encoded.resize(encodedSize);
    return encoded;
}

PinPrompts::PinPrompts() {
    if (const char* previous = std::getenv("PLATFORM_UI")) m_previousSetting = previous;
    setenv("PLATFORM_UI", "script", 1);
    platform::ui::script::clear();
    platform::ui::setBackend(nullptr);
    platform::ui::script::onUnanswered([](const std::string& question) {
        ADD_FAILURE() << question;
        return IDCANCEL;
    });
}

PinPrompts::~PinPrompts() {
    platform::ui::script::clear();
    platform::ui::setBackend(nullptr);
    if (m_previousSetting)
        setenv("PLATFORM_UI", m_previousSetting->c_str(), 1);
    else
        unsetenv("PLATFORM_UI");
}

void PinPrompts::answer(const std::string& pin) { platform::ui::script::queue("Pin", pin); }
void PinPrompts::cancel() { platform::ui::script::queue("Pin", "IDCANCEL"); }
std::vector<std::string> PinPrompts::shown() const { return platform::ui::script::transcript(); }
std::size_t PinPrompts::unused() const { return platform::ui::script::pending(); }

bool opensslVerifies(const PlatformRoot& root, const std::string& publicKeyPem, const std::vector<BYTE>& signature,
                     std::string_view data, const std::string& digest) {
    const std::string bigEndian(signature.rbegin(), signature.rend());
    root.write("peer/pub.pem", publicKeyPem);
    root.write("peer/sig", bigEndian);
    root.write("peer/data", data);
    const auto result = run({"openssl", "dgst", "-" + digest, "-verify", "pub.pem", "-signature", "sig", "data"},
                            root.path() / "peer");
    return result.exitCode == 0;
}

}  // namespace testkit
