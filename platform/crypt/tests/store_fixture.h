// Fixtures of the certificate and store tests: a PKI made once per test
// process by the openssl command line (a root, a CA, users with and without
// a common name, old SHA-1 / MD5 material, CRLs and a PKCS #7 bundle), owning
// wrappers for contexts and store handles, and a fresh platform root per test.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "crypt_support.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "win32/crypt_store.h"

namespace store_test {

using crypt_test::Bytes;
using crypt_test::hex;

struct CertFreer {
    void operator()(PCCERT_CONTEXT c) const noexcept { CertFreeCertificateContext(c); }
};
struct CrlFreer {
    void operator()(PCCRL_CONTEXT c) const noexcept { CertFreeCRLContext(c); }
};
struct StoreCloser {
    void operator()(HCERTSTORE s) const noexcept { CertCloseStore(s, 0); }
};
using Cert = std::unique_ptr<const CERT_CONTEXT, CertFreer>;
using Crl = std::unique_ptr<const CRL_CONTEXT, CrlFreer>;
using Store = std::unique_ptr<void, StoreCloser>;

inline Cert certOf(const Bytes& der) {
    Cert c(CertCreateCertificateContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der.data(),
                                        static_cast<DWORD>(der.size())));
    EXPECT_TRUE(c) << "CertCreateCertificateContext failed with 0x" << std::hex << GetLastError();
    return c;
}

inline Store memoryStore() { return Store(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr)); }

inline Store systemStore(const char16_t* name, DWORD flags = CERT_SYSTEM_STORE_CURRENT_USER) {
    return Store(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, flags, name));
}

// The text with its NUL, for CERT_FRIENDLY_NAME_PROP_ID; the text must outlive the blob.
inline CRYPT_DATA_BLOB textBlob(const char16_t* text) {
    return {static_cast<DWORD>((std::char_traits<char16_t>::length(text) + 1) * 2),
            reinterpret_cast<BYTE*>(const_cast<char16_t*>(text))};
}

inline std::u16string friendlyName(PCCERT_CONTEXT cert) {
    DWORD size = 0;
    if (!CertGetCertificateContextProperty(cert, CERT_FRIENDLY_NAME_PROP_ID, nullptr, &size)) return u"";
    std::u16string name(size / 2, u'\0');
    CertGetCertificateContextProperty(cert, CERT_FRIENDLY_NAME_PROP_ID, name.data(), &size);
    return name.c_str();
}

// The encodings of a store's certificates in store order.
inline std::vector<Bytes> certificatesIn(HCERTSTORE store) {
    std::vector<Bytes> found;
    for (PCCERT_CONTEXT c = CertEnumCertificatesInStore(store, nullptr); c;
         c = CertEnumCertificatesInStore(store, c))
        found.emplace_back(c->pbCertEncoded, c->pbCertEncoded + c->cbCertEncoded);
    return found;
}

// Copies of a certificate's or CRL's DER whose last two bytes (the
// signature's) count up: as many distinct ones as a test needs, unsigned.
inline std::vector<Bytes> variantsOf(const Bytes& der, std::size_t count) {
    std::vector<Bytes> variants(count, der);
    for (std::size_t i = 0; i < count; ++i) {
        variants[i][der.size() - 2] = static_cast<BYTE>(i >> 8);
        variants[i][der.size() - 1] = static_cast<BYTE>(i);
    }
    return variants;
}

class Pki {
public:
    Bytes root, ca, user, noCommonName, mailOnly, oldRoot, md5Leaf, crl, newerCrl, bundle;
    std::string userSha1, userMd5, userKeyId;  // as openssl prints them, upper-case hex

    Pki() : m_folder(makeFolder()) {
        conf("ext.cnf",
             "[root]\nbasicConstraints=critical,CA:true\nkeyUsage=critical,keyCertSign,cRLSign\n"
             "subjectKeyIdentifier=hash\n"
             "[ca]\nbasicConstraints=critical,CA:true\nkeyUsage=critical,keyCertSign,cRLSign\n"
             "subjectKeyIdentifier=hash\nauthorityKeyIdentifier=keyid\n"
             "[user]\nkeyUsage=critical,digitalSignature,nonRepudiation\n"
             "extendedKeyUsage=clientAuth,emailProtection\nsubjectAltName=email:jan.novak@example.cz\n"
             "subjectKeyIdentifier=hash\nauthorityKeyIdentifier=keyid\n"
             "[plain]\nsubjectKeyIdentifier=hash\n"
             "[mail]\nsubjectAltName=email:only.mail@example.cz\n");
        conf("ca.cnf",
             "[ca]\ndefault_ca=tesk\n[tesk]\ndatabase=index.txt\ndefault_md=sha256\ndefault_crl_days=30\n"
             "crlnumber=crlnumber\n");
        conf("index.txt", "");
        conf("crlnumber", "01\n");
        selfSigned("root", "/C=CZ/O=Tesk Test/CN=Tesk Test Root", "rsa:2048", "-sha256", "root");
        issued("ca", "/C=CZ/O=Tesk Test/CN=Tesk Test CA", "root", "ca", "-sha256");
        issued("user", "/C=CZ/O=Tesk Test/OU=Signing/CN=Jan Nov\xC3\xA1k/emailAddress=jan.novak@example.cz", "ca",
               "user", "-sha256");
        issued("nocn", "/C=CZ/O=Tesk Org/OU=Tesk Unit", "ca", "plain", "-sha256");
        issued("mail", "/C=CZ", "ca", "mail", "-sha256");
        selfSigned("old", "/CN=Old Root", "rsa:1024", "-sha1", "root");
        issued("md5", "/CN=Old Leaf", "old", "plain", "-md5");
        crlOf("crl", "240101000000Z");
        crlOf("newer", "240201000000Z");
        run({"openssl", "crl2pkcs7", "-in", "crl.pem", "-certfile", "ca.pem", "-certfile", "user.pem", "-outform",
             "DER", "-out", "bundle.p7b"});
        root = der("root");
        ca = der("ca");
        user = der("user");
        noCommonName = der("nocn");
        mailOnly = der("mail");
        oldRoot = der("old");
        md5Leaf = der("md5");
        crl = crlDer("crl");
        newerCrl = crlDer("newer");
        bundle = file("bundle.p7b");
        userSha1 = fingerprint("-sha1");
        userMd5 = fingerprint("-md5");
        userKeyId = keyIdentifier();
    }
    ~Pki() {
        std::error_code ec;
        std::filesystem::remove_all(m_folder, ec);
    }

private:
    static std::filesystem::path makeFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tesk-pki-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        return pattern;
    }
    std::string run(const std::vector<std::string>& argv) const {
        const auto r = testkit::run(argv, m_folder);
        if (r.exitCode != 0) throw std::runtime_error(argv[1] + " failed: " + r.err);
        return r.out;
    }
    void conf(const std::string& name, const std::string& text) const { testkit::writeFile(m_folder / name, text); }
    Bytes file(const std::string& name) const {
        const std::string s = testkit::readFile(m_folder / name);
        return Bytes(s.begin(), s.end());
    }
    void selfSigned(const std::string& name, const std::string& subject, const std::string& key,
                    const std::string& md, const std::string& ext) const {
        run({"openssl", "req", "-x509", "-utf8", "-newkey", key, "-nodes", "-keyout", name + ".key", "-out",
             name + ".pem", "-subj", subject, "-days", "3650", md, "-extensions", ext, "-config", "ext.cnf"});
    }
    void issued(const std::string& name, const std::string& subject, const std::string& issuer,
                const std::string& ext, const std::string& md) const {
        run({"openssl", "req", "-new", "-utf8", "-newkey", "rsa:2048", "-nodes", "-keyout", name + ".key", "-out",
             name + ".csr", "-subj", subject});
        run({"openssl", "x509", "-req", "-in", name + ".csr", "-CA", issuer + ".pem", "-CAkey", issuer + ".key",
             "-CAcreateserial", "-days", "365", md, "-extfile", "ext.cnf", "-extensions", ext, "-out",
             name + ".pem"});
    }
    void crlOf(const std::string& name, const std::string& lastUpdate) const {
        run({"openssl", "ca", "-gencrl", "-config", "ca.cnf", "-keyfile", "ca.key", "-cert", "ca.pem",
             "-crl_lastupdate", lastUpdate, "-out", name + ".pem"});
    }
    Bytes der(const std::string& name) const {
        run({"openssl", "x509", "-in", name + ".pem", "-outform", "DER", "-out", name + ".der"});
        return file(name + ".der");
    }
    Bytes crlDer(const std::string& name) const {
        run({"openssl", "crl", "-in", name + ".pem", "-outform", "DER", "-out", name + ".der"});
        return file(name + ".der");
    }
    // "SHA1 Fingerprint=AB:CD:..." -> "ABCD..."
    std::string fingerprint(const std::string& md) const {
        const std::string out = run({"openssl", "x509", "-in", "user.pem", "-noout", "-fingerprint", md});
        std::string hexText;
        for (char c : out.substr(out.find('=') + 1))
            if (std::isxdigit(static_cast<unsigned char>(c))) hexText += static_cast<char>(std::toupper(c));
        return hexText;
    }
    std::string keyIdentifier() const {
        const std::string out = run({"openssl", "x509", "-in", "user.pem", "-noout", "-ext", "subjectKeyIdentifier"});
        std::string hexText;
        for (char c : out.substr(out.find('\n') + 1))
            if (std::isxdigit(static_cast<unsigned char>(c))) hexText += static_cast<char>(std::toupper(c));
        return hexText;
    }

    std::filesystem::path m_folder;
};

// Made on first use, shared by the tests of the process.
inline const Pki& pki() {
    static const Pki made;
    return made;
}

// A fresh emulated machine per test.
class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        TESTKIT_REQUIRE_PROGRAM("openssl");
        pki();
    }
    testkit::PlatformRoot m_root;
};

}  // namespace store_test
