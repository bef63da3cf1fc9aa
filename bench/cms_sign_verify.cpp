// Signing and verifying a 1 MB buffer with a 2048-bit RSA key and SHA-256,
// attached, through the layer (CryptSignMessage with a software key and a
// signing-time attribute, CryptVerifyMessageSignature giving the content
// back) and through OpenSSL's CMS_sign / CMS_verify (its default signed
// attributes, the signer's certificate not checked) in the same run; then
// the time ratios, layer / OpenSSL.
//
//   cms_sign_verify [benchmark options]
//
// OpenSSL's headers come first: the CryptoAPI headers define X509_NAME and
// X509_EXTENSIONS as structure-type names, which would break OpenSSL's own
// declarations of those types.
#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "times_reporter.h"
#include "win32/crypt_provider.h"
#include "win32/crypt_simple_msg.h"
#include "win32/crypt_store.h"
#include "win32/datetime.h"
#include "win32/error.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<BYTE>;

constexpr std::size_t kContentSize = 1u << 20;
constexpr char16_t kContainer[] = u"bench signer";
constexpr char16_t kProvider[] = u"Microsoft Enhanced RSA and AES Cryptographic Provider";

void check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string(what) + " failed, last error " + std::to_string(GetLastError()));
}

const Bytes& content() {
    static const Bytes data = [] {
        std::mt19937 random(2024);
        Bytes bytes(kContentSize);
        for (BYTE& b : bytes) b = static_cast<BYTE>(random());
        return bytes;
    }();
    return data;
}

// ---- OpenSSL: a key and a self-signed certificate ---------------------------

struct OpenSslSigner {
    EVP_PKEY* key = nullptr;
    X509* certificate = nullptr;
};

X509* certificateFor(EVP_PKEY* subjectKey, const char* commonName, X509* issuer, EVP_PKEY* issuerKey) {
    X509* certificate = X509_new();
    X509_set_version(certificate, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate), commonName[0]);
    X509_gmtime_adj(X509_getm_notBefore(certificate), -3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate), 86400);
    X509_set_pubkey(certificate, subjectKey);
    auto* subject = X509_get_subject_name(certificate);
    X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName), -1,
                               -1, 0);
    X509_set_issuer_name(certificate, issuer ? X509_get_subject_name(issuer) : subject);
    X509_sign(certificate, issuerKey, EVP_sha256());
    return certificate;
}

const OpenSslSigner& openSslSigner() {
    static const OpenSslSigner signer = [] {
        OpenSslSigner s;
        s.key = EVP_RSA_gen(2048);
        s.certificate = certificateFor(s.key, "OpenSSL signer", nullptr, s.key);
        return s;
    }();
    return signer;
}

Bytes derOf(CMS_ContentInfo* cms) {
    const int size = i2d_CMS_ContentInfo(cms, nullptr);
    Bytes der(static_cast<std::size_t>(size));
    unsigned char* at = der.data();
    i2d_CMS_ContentInfo(cms, &at);
    return der;
}

Bytes openSslSign() {
    const OpenSslSigner& s = openSslSigner();
    BIO* in = BIO_new_mem_buf(content().data(), static_cast<int>(content().size()));
    CMS_ContentInfo* cms = CMS_sign(s.certificate, s.key, nullptr, in, CMS_BINARY);
    if (!cms) throw std::runtime_error("CMS_sign failed");
    Bytes der = derOf(cms);
    CMS_ContentInfo_free(cms);
    BIO_free(in);
    return der;
}

std::size_t openSslVerify(const Bytes& message) {
    const unsigned char* at = message.data();
    CMS_ContentInfo* cms = d2i_CMS_ContentInfo(nullptr, &at, static_cast<long>(message.size()));
    BIO* out = BIO_new(BIO_s_mem());
    const int ok = cms ? CMS_verify(cms, nullptr, nullptr, nullptr, out, CMS_BINARY | CMS_NO_SIGNER_CERT_VERIFY) : 0;
    const std::size_t size = static_cast<std::size_t>(BIO_pending(out));
    BIO_free(out);
    CMS_ContentInfo_free(cms);
    if (ok != 1) throw std::runtime_error("CMS_verify failed");
    return size;
}

// ---- The layer: a software key, its certificate from the OpenSSL key ------

struct LayerSigner {
    PCCERT_CONTEXT certificate = nullptr;
    Bytes signingTime;
};

Bytes publicKeyOfContainer(HCRYPTPROV prov) {
    DWORD size = 0;
    check(CryptExportPublicKeyInfo(prov, AT_SIGNATURE, X509_ASN_ENCODING, nullptr, &size), "CryptExportPublicKeyInfo");
    std::vector<std::max_align_t> block(size / sizeof(std::max_align_t) + 1);
    auto* info = reinterpret_cast<PCERT_PUBLIC_KEY_INFO>(block.data());
    check(CryptExportPublicKeyInfo(prov, AT_SIGNATURE, X509_ASN_ENCODING, info, &size), "CryptExportPublicKeyInfo");
    DWORD encodedSize = 0;
    check(CryptEncodeObject(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, info, nullptr, &encodedSize), "CryptEncodeObject");
    Bytes encoded(encodedSize);
    check(CryptEncodeObject(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, info, encoded.data(), &encodedSize),
          "CryptEncodeObject");
    return encoded;
}

const LayerSigner& layerSigner() {
    static const LayerSigner signer = [] {
        HCRYPTPROV prov = 0;
        check(CryptAcquireContextW(&prov, kContainer, kProvider, PROV_RSA_AES, CRYPT_NEWKEYSET), "CryptAcquireContext");
        HCRYPTKEY key = 0;
        check(CryptGenKey(prov, AT_SIGNATURE, 2048u << 16, &key), "CryptGenKey");
        CryptDestroyKey(key);
        const Bytes publicKey = publicKeyOfContainer(prov);
        CryptReleaseContext(prov, 0);

        const unsigned char* at = publicKey.data();
        EVP_PKEY* subjectKey = d2i_PUBKEY(nullptr, &at, static_cast<long>(publicKey.size()));
        X509* issued = certificateFor(subjectKey, "Layer signer", openSslSigner().certificate, openSslSigner().key);
        const int size = i2d_X509(issued, nullptr);
        Bytes der(static_cast<std::size_t>(size));
        unsigned char* out = der.data();
        i2d_X509(issued, &out);
        X509_free(issued);
        EVP_PKEY_free(subjectKey);

        LayerSigner s;
        s.certificate = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
        check(s.certificate != nullptr, "CertCreateCertificateContext");
        CRYPT_KEY_PROV_INFO info{const_cast<LPWSTR>(kContainer), const_cast<LPWSTR>(kProvider), PROV_RSA_AES, 0, 0,
                                 nullptr, AT_SIGNATURE};
        check(CertSetCertificateContextProperty(s.certificate, CERT_KEY_PROV_INFO_PROP_ID, 0, &info),
              "CertSetCertificateContextProperty");
        SYSTEMTIME now;
        GetSystemTime(&now);
        FILETIME time;
        SystemTimeToFileTime(&now, &time);
        DWORD timeSize = 32;
        s.signingTime.resize(timeSize);
        check(CryptEncodeObject(X509_ASN_ENCODING, szOID_RSA_signingTime, &time, s.signingTime.data(), &timeSize),
              "CryptEncodeObject");
        s.signingTime.resize(timeSize);
        return s;
    }();
    return signer;
}

// The signed message into a buffer with room to spare, as the system calls it.
Bytes layerSign(Bytes& buffer) {
    const LayerSigner& s = layerSigner();
    CRYPT_ATTR_BLOB timeValue{static_cast<DWORD>(s.signingTime.size()), const_cast<BYTE*>(s.signingTime.data())};
    CRYPT_ATTRIBUTE attribute{const_cast<LPSTR>(szOID_RSA_signingTime), 1, &timeValue};
    PCCERT_CONTEXT certificates[] = {s.certificate};
    CRYPT_SIGN_MESSAGE_PARA para{};
    para.cbSize = sizeof para;
    para.dwMsgEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
    para.pSigningCert = s.certificate;
    para.HashAlgorithm.pszObjId = const_cast<LPSTR>(szOID_NIST_sha256);
    para.cMsgCert = 1;
    para.rgpMsgCert = certificates;
    para.cAuthAttr = 1;
    para.rgAuthAttr = &attribute;
    const BYTE* blocks[] = {content().data()};
    DWORD sizes[] = {static_cast<DWORD>(content().size())};
    DWORD size = static_cast<DWORD>(buffer.size());
    check(CryptSignMessage(&para, FALSE, 1, blocks, sizes, buffer.data(), &size), "CryptSignMessage");
    return Bytes(buffer.begin(), buffer.begin() + size);
}

std::size_t layerVerify(const Bytes& message, Bytes& buffer) {
    CRYPT_VERIFY_MESSAGE_PARA para{sizeof para, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, nullptr, nullptr};
    DWORD size = static_cast<DWORD>(buffer.size());
    PCCERT_CONTEXT signer = nullptr;
    check(CryptVerifyMessageSignature(&para, 0, message.data(), static_cast<DWORD>(message.size()), buffer.data(),
                                      &size, &signer),
          "CryptVerifyMessageSignature");
    CertFreeCertificateContext(signer);
    return size;
}

// ---- The benchmarks ----------------------------------------------------------

void signLayer(benchmark::State& state) {
    Bytes buffer(kContentSize + (1u << 16));
    for (auto _ : state) benchmark::DoNotOptimize(layerSign(buffer));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kContentSize));
}

void signOpenSsl(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(openSslSign());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kContentSize));
}

void verifyLayer(benchmark::State& state) {
    Bytes buffer(kContentSize + (1u << 16));
    const Bytes message = layerSign(buffer);
    for (auto _ : state)
        if (layerVerify(message, buffer) != kContentSize) state.SkipWithError("the content came back wrong");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kContentSize));
}

void verifyOpenSsl(benchmark::State& state) {
    const Bytes message = openSslSign();
    for (auto _ : state)
        if (openSslVerify(message) != kContentSize) state.SkipWithError("the content came back wrong");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kContentSize));
}

BENCHMARK(signLayer)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(signOpenSsl)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(verifyLayer)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(verifyOpenSsl)->Unit(benchmark::kMillisecond)->UseRealTime();

void printRatios(const tesk_bench::TimesReporter& times) {
    const double sign = times["signLayer"] / times["signOpenSsl"];
    const double verify = times["verifyLayer"] / times["verifyOpenSsl"];
    const double both =
        (times["signLayer"] + times["verifyLayer"]) / (times["signOpenSsl"] + times["verifyOpenSsl"]);
    std::printf("\nTime ratios, layer / OpenSSL (goal: at most 1.20):\n");
    std::printf("  sign             %5.2f\n  verify           %5.2f\n  sign and verify  %5.2f\n", sign, verify, both);
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path root = fs::temp_directory_path() / ("tesk-cms-bench-" + std::to_string(getpid()));
    setenv("PLATFORM_ROOT", root.c_str(), 1);
    benchmark::Initialize(&argc, argv);
    layerSigner();
    tesk_bench::TimesReporter times;
    benchmark::RunSpecifiedBenchmarks(&times);
    printRatios(times);
    benchmark::Shutdown();
    fs::remove_all(root);
    return 0;
}
