#include "crl_fixtures.h"

#include <openssl/bn.h>
#include <openssl/conf.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <atomic>
#include <ctime>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "testkit/platform_root.h"
#include "testkit/process.h"

namespace crl_test {

namespace {

template <class T, void (*Free)(T*)>
struct Freer {
    void operator()(T* p) const noexcept { Free(p); }
};
template <class T, void (*Free)(T*)>
using Owned = std::unique_ptr<T, Freer<T, Free>>;

using Crl = Owned<X509_CRL, X509_CRL_free>;
using Cert = Owned<X509, X509_free>;
using PKey = Owned<EVP_PKEY, EVP_PKEY_free>;
using Ext = Owned<X509_EXTENSION, X509_EXTENSION_free>;
using Conf = Owned<CONF, NCONF_free>;
using Bio = Owned<BIO, BIO_free_all>;
using Names = Owned<GENERAL_NAMES, GENERAL_NAMES_free>;

template <class T>
T* required(T* p, const char* what) {
    if (!p) throw std::runtime_error(std::string("OpenSSL: ") + what);
    return p;
}

void required(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string("OpenSSL: ") + what);
}

template <class T, int (*Encode)(const T*, unsigned char**)>
Bytes derOf(const T* value) {
    unsigned char* out = nullptr;
    const int n = Encode(value, &out);
    required(n > 0, "encode");
    Bytes bytes(out, out + n);
    OPENSSL_free(out);
    return bytes;
}

std::string hexOf(const Bytes& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (auto b : bytes) text += {digits[b >> 4], digits[b & 15]};
    return text;
}

Bytes magnitudeOf(const ASN1_INTEGER* serial) {
    const Owned<BIGNUM, BN_free> number(required(ASN1_INTEGER_to_BN(serial, nullptr), "ASN1_INTEGER_to_BN"));
    Bytes bytes(static_cast<std::size_t>(BN_num_bytes(number.get())));
    BN_bn2bin(number.get(), bytes.data());
    return bytes;
}

std::string utcText(std::chrono::system_clock::time_point when) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof(text), "%Y%m%d%H%M%SZ", &tm);
    return text;
}

}  // namespace

CrlAuthority::CrlAuthority(const testkit::pki::Credential& signer, std::filesystem::path folder)
    : m_folder(std::move(folder)) {
    std::filesystem::create_directories(m_folder);
    const auto files = signer.write(m_folder, "signer");
    m_certificate = files.certificatePem;
    m_key = files.keyPem;
}

Bytes CrlAuthority::issue(const CrlOrder& order) const {
    static std::atomic<int> made{0};
    const auto folder = m_folder / ("crl" + std::to_string(++made));
    std::filesystem::create_directories(folder);
    std::ostringstream index;
    for (const Revoked& r : order.revoked)
        index << "R\t491231235959Z\t240101000000Z" << (r.reason.empty() ? "" : "," + r.reason) << '\t'
              << hexOf(r.serial) << "\tunknown\t/CN=revoked\n";
    testkit::writeFile(folder / "index.txt", index.str());
    Bytes number;
    for (unsigned n = order.number; n || number.empty(); n >>= 8) number.insert(number.begin(), n & 0xFF);
    testkit::writeFile(folder / "crlnumber", hexOf(number) + "\n");
    testkit::writeFile(folder / "ca.cnf", "[ca]\ndefault_ca = authority\n[authority]\ndatabase = " +
                                              (folder / "index.txt").string() + "\ncrlnumber = " +
                                              (folder / "crlnumber").string() +
                                              "\ndefault_md = sha256\ndefault_crl_days = 7\n"
                                              "crl_extensions = crl_extensions\n"
                                              "[crl_extensions]\nauthorityKeyIdentifier = keyid:always\n" +
                                              order.extensions + "\n" + order.sections + "\n");
    const auto result = testkit::run({"openssl", "ca", "-gencrl", "-batch", "-config", (folder / "ca.cnf").string(),
                                      "-cert", m_certificate.string(), "-keyfile", m_key.string(), "-crl_lastupdate",
                                      utcText(std::chrono::system_clock::now() - order.age), "-out",
                                      (folder / "crl.pem").string()});
    if (result.exitCode != 0) throw std::runtime_error("openssl ca -gencrl: " + result.err);
    const std::string pem = testkit::readFile(folder / "crl.pem");
    const Bio text(required(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())), "BIO_new_mem_buf"));
    const Crl crl(required(PEM_read_bio_X509_CRL(text.get(), nullptr, nullptr, nullptr), "PEM_read_bio_X509_CRL"));
    return derOf<X509_CRL, i2d_X509_CRL>(crl.get());
}

Bytes withEntryExtension(const Bytes& der, const testkit::pki::Key& key, const Bytes& serial,
                         const testkit::pki::Extension& extension) {
    const unsigned char* p = der.data();
    const Crl crl(required(d2i_X509_CRL(nullptr, &p, static_cast<long>(der.size())), "d2i_X509_CRL"));
    const unsigned char* k = key.pkcs8Der().data();
    const PKey pkey(required(d2i_AutoPrivateKey(nullptr, &k, static_cast<long>(key.pkcs8Der().size())),
                             "d2i_AutoPrivateKey"));
    Owned<ASN1_OBJECT, ASN1_OBJECT_free> oid(required(OBJ_txt2obj(extension.oid.c_str(), 1), "OBJ_txt2obj"));
    Owned<ASN1_OCTET_STRING, ASN1_OCTET_STRING_free> value(required(ASN1_OCTET_STRING_new(), "ASN1_OCTET_STRING"));
    required(ASN1_OCTET_STRING_set(value.get(), extension.value.data(), static_cast<int>(extension.value.size())) == 1,
             "ASN1_OCTET_STRING_set");
    const Ext ext(required(X509_EXTENSION_create_by_OBJ(nullptr, oid.get(), extension.critical, value.get()),
                           "X509_EXTENSION_create_by_OBJ"));
    STACK_OF(X509_REVOKED)* entries = X509_CRL_get_REVOKED(crl.get());
    bool found = false;
    for (int i = 0; i < sk_X509_REVOKED_num(entries); ++i) {
        X509_REVOKED* entry = sk_X509_REVOKED_value(entries, i);
        if (magnitudeOf(X509_REVOKED_get0_serialNumber(entry)) != serial) continue;
        required(X509_REVOKED_add_ext(entry, ext.get(), -1) == 1, "X509_REVOKED_add_ext");
        found = true;
    }
    required(found, "no entry with that serial number");
    required(X509_CRL_sign(crl.get(), pkey.get(), EVP_sha256()) > 0, "X509_CRL_sign");
    return derOf<X509_CRL, i2d_X509_CRL>(crl.get());
}

Bytes extensionValue(const std::string& name, const std::string& value, const std::string& sections) {
    const Conf conf(required(NCONF_new(nullptr), "NCONF_new"));
    const Bio text(required(BIO_new_mem_buf(sections.data(), static_cast<int>(sections.size())), "BIO_new_mem_buf"));
    long line = 0;
    required(sections.empty() || NCONF_load_bio(conf.get(), text.get(), &line) == 1, "NCONF_load_bio");
    X509V3_CTX ctx{};
    X509V3_set_ctx(&ctx, nullptr, nullptr, nullptr, nullptr, 0);
    X509V3_set_nconf(&ctx, conf.get());
    const Ext ext(required(X509V3_EXT_nconf(conf.get(), &ctx, name.c_str(), value.c_str()), "X509V3_EXT_nconf"));
    const ASN1_OCTET_STRING* data = X509_EXTENSION_get_data(ext.get());
    return Bytes(data->data, data->data + data->length);
}

Bytes subjectAsGeneralNames(const Bytes& certificate) {
    const unsigned char* p = certificate.data();
    const Cert cert(required(d2i_X509(nullptr, &p, static_cast<long>(certificate.size())), "d2i_X509"));
    Names names(required(GENERAL_NAMES_new(), "GENERAL_NAMES_new"));
    GENERAL_NAME* name = required(GENERAL_NAME_new(), "GENERAL_NAME_new");
    GENERAL_NAME_set0_value(name, GEN_DIRNAME, X509_NAME_dup(X509_get_subject_name(cert.get())));
    required(sk_GENERAL_NAME_push(names.get(), name) > 0, "sk_GENERAL_NAME_push");
    return derOf<GENERAL_NAMES, i2d_GENERAL_NAMES>(names.get());
}

std::string crlPem(const Bytes& crl) {
    const unsigned char* p = crl.data();
    const Crl parsed(required(d2i_X509_CRL(nullptr, &p, static_cast<long>(crl.size())), "d2i_X509_CRL"));
    const Bio out(required(BIO_new(BIO_s_mem()), "BIO_new"));
    required(PEM_write_bio_X509_CRL(out.get(), parsed.get()) == 1, "PEM_write_bio_X509_CRL");
    char* data = nullptr;
    const long size = BIO_get_mem_data(out.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

}  // namespace crl_test
