// Conversions from the PKI maker's values to OpenSSL objects.
#include "pki_openssl.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/pem.h>

#include <stdexcept>

namespace testkit::pki::detail {

using Bio = Owned<BIO, BIO_free>;
using BigNum = Owned<BIGNUM, BN_free>;

void throwOpenssl(std::string_view call) {
    std::string what = "OpenSSL: " + std::string(call) + " failed";
    while (const unsigned long e = ERR_get_error()) {
        char text[256];
        ERR_error_string_n(e, text, sizeof text);
        what += "; ";
        what += text;
    }
    throw std::runtime_error(what);
}

std::string pemOf(std::string_view label, const Bytes& der) {
    Bio bio(require(BIO_new(BIO_s_mem()), "BIO_new"));
    const std::string name(label);
    require(PEM_write_bio(bio.get(), name.c_str(), "", der.data(), static_cast<long>(der.size())) > 0,
            "PEM_write_bio");
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

std::vector<Bytes> dersOfPem(std::string_view text, std::string_view label) {
    Bio bio(require(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())), "BIO_new_mem_buf"));
    std::vector<Bytes> blocks;
    for (;;) {
        char* name = nullptr;
        char* header = nullptr;
        unsigned char* data = nullptr;
        long size = 0;
        if (PEM_read_bio(bio.get(), &name, &header, &data, &size) != 1) break;
        if (label == name) blocks.emplace_back(data, data + size);
        OPENSSL_free(name);
        OPENSSL_free(header);
        OPENSSL_free(data);
    }
    ERR_clear_error();  // the end of the text
    return blocks;
}

PKey publicKeyOf(const Bytes& subjectPublicKeyInfo) {
    const unsigned char* in = subjectPublicKeyInfo.data();
    return PKey(require(d2i_PUBKEY(nullptr, &in, static_cast<long>(subjectPublicKeyInfo.size())), "d2i_PUBKEY"));
}

PKey toOpenssl(const Key& key) {
    const unsigned char* in = key.pkcs8Der().data();
    return PKey(require(d2i_AutoPrivateKey(nullptr, &in, static_cast<long>(key.pkcs8Der().size())),
                        "d2i_AutoPrivateKey"));
}

Cert toOpenssl(const Certificate& certificate) {
    const unsigned char* in = certificate.der().data();
    return Cert(require(d2i_X509(nullptr, &in, static_cast<long>(certificate.der().size())), "d2i_X509"));
}

X509Name toOpenssl(const Name& name) {
    X509Name out(require(X509_NAME_new(), "X509_NAME_new"));
    for (const auto& rdn : name.rdns()) {
        int set = 0;  // the first attribute starts a new RDN, the others join it
        for (const auto& attribute : rdn) {
            const AsnObject type = asn1Object(attribute.type);
            const AsnString value = asn1String(attribute.value, attribute.encoding);
            require(X509_NAME_add_entry_by_OBJ(out.get(), type.get(), ASN1_STRING_type(value.get()),
                                               ASN1_STRING_get0_data(value.get()),
                                               ASN1_STRING_length(value.get()), -1, set) == 1,
                    "X509_NAME_add_entry_by_OBJ");
            set = -1;
        }
    }
    return out;
}

X509Ext toOpenssl(const Extension& extension) {
    const AsnObject oid = asn1Object(extension.oid);
    AsnString value(require(ASN1_OCTET_STRING_new(), "ASN1_OCTET_STRING_new"));
    require(ASN1_OCTET_STRING_set(value.get(), extension.value.data(), static_cast<int>(extension.value.size())) == 1,
            "ASN1_OCTET_STRING_set");
    return X509Ext(require(X509_EXTENSION_create_by_OBJ(nullptr, oid.get(), extension.critical ? 1 : 0, value.get()),
                           "X509_EXTENSION_create_by_OBJ"));
}

const EVP_MD* digestOf(Hash hash) {
    switch (hash) {
    case Hash::Md5: return EVP_md5();
    case Hash::Sha1: return EVP_sha1();
    case Hash::Sha256: return EVP_sha256();
    case Hash::Sha384: return EVP_sha384();
    case Hash::Sha512: return EVP_sha512();
    }
    throw std::invalid_argument("unknown hash");
}

// UTCTime up to 2049, GeneralizedTime after, as RFC 5280 4.1.2.5 requires.
AsnTime asn1Time(Instant when) {
    return AsnTime(require(ASN1_TIME_set(nullptr, static_cast<time_t>(when.time_since_epoch().count())),
                           "ASN1_TIME_set"));
}

AsnObject asn1Object(std::string_view text) {
    const std::string s(text);
    ASN1_OBJECT* object = OBJ_txt2obj(s.c_str(), 0);
    if (!object) throw std::invalid_argument("not an OID or a known name: " + s);
    return AsnObject(object);
}

AsnInteger asn1Integer(const Bytes& magnitude) {
    BigNum value(require(BN_bin2bn(magnitude.data(), static_cast<int>(magnitude.size()), nullptr), "BN_bin2bn"));
    return AsnInteger(require(BN_to_ASN1_INTEGER(value.get(), nullptr), "BN_to_ASN1_INTEGER"));
}

AsnString asn1String(std::string_view utf8, StringType type) {
    unsigned long mask = 0;
    switch (type) {
    case StringType::Printable: mask = B_ASN1_PRINTABLESTRING; break;
    case StringType::Utf8: mask = B_ASN1_UTF8STRING; break;
    case StringType::Bmp: mask = B_ASN1_BMPSTRING; break;
    case StringType::Ia5: mask = B_ASN1_IA5STRING; break;
    }
    ASN1_STRING* out = nullptr;
    if (ASN1_mbstring_copy(&out, reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()),
                           MBSTRING_UTF8, mask) < 0)
        throwOpenssl("ASN1_mbstring_copy of \"" + std::string(utf8) + "\"");
    return AsnString(out);
}

Bytes publicKeyId(const X509* certificate) {
    Bytes id(EVP_MAX_MD_SIZE);
    unsigned int size = 0;
    require(X509_pubkey_digest(certificate, EVP_sha1(), id.data(), &size) == 1, "X509_pubkey_digest");
    id.resize(size);
    return id;
}

Bytes keyIdOf(X509* certificate) {
    if (const ASN1_OCTET_STRING* ski = X509_get0_subject_key_id(certificate)) {
        const unsigned char* data = ASN1_STRING_get0_data(ski);
        return Bytes(data, data + ASN1_STRING_length(ski));
    }
    return publicKeyId(certificate);
}

}  // namespace testkit::pki::detail
