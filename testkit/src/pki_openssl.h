// The PKI maker's glue to OpenSSL: owned objects, errors, and conversions
// from the maker's values to OpenSSL's.
#pragma once

#include <openssl/asn1.h>
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/owned.h"
#include "testkit/pki.h"

namespace testkit::pki::detail {

using platform::Owned;
using PKey = Owned<EVP_PKEY, EVP_PKEY_free>;
using Cert = Owned<X509, X509_free>;
using X509Name = Owned<X509_NAME, X509_NAME_free>;
using AsnObject = Owned<ASN1_OBJECT, ASN1_OBJECT_free>;
using AsnString = Owned<ASN1_STRING, ASN1_STRING_free>;
using AsnInteger = Owned<ASN1_INTEGER, ASN1_INTEGER_free>;
using AsnTime = Owned<ASN1_TIME, ASN1_TIME_free>;
using X509Ext = Owned<X509_EXTENSION, X509_EXTENSION_free>;

// Throws std::runtime_error naming the call, with OpenSSL's error queue.
[[noreturn]] void throwOpenssl(std::string_view call);

inline void require(bool ok, std::string_view call) {
    if (!ok) throwOpenssl(call);
}

template <class T>
T* require(T* object, std::string_view call) {
    if (!object) throwOpenssl(call);
    return object;
}

// The DER of an object through its i2d function.
template <class I2d, class T>
Bytes derOf(I2d i2d, T* object) {
    const int size = i2d(object, nullptr);
    require(size > 0, "i2d");
    Bytes der(static_cast<std::size_t>(size));
    unsigned char* out = der.data();
    i2d(object, &out);
    return der;
}

std::string pemOf(std::string_view label, const Bytes& der);
// The DER of every PEM block of the label in the text, in order.
std::vector<Bytes> dersOfPem(std::string_view text, std::string_view label);

PKey toOpenssl(const Key& key);
// A public key alone, from DER SubjectPublicKeyInfo.
PKey publicKeyOf(const Bytes& subjectPublicKeyInfo);
Cert toOpenssl(const Certificate& certificate);
X509Name toOpenssl(const Name& name);
X509Ext toOpenssl(const Extension& extension);

const EVP_MD* digestOf(Hash hash);
AsnTime asn1Time(Instant when);
// A short name or a dotted OID.
AsnObject asn1Object(std::string_view text);
AsnInteger asn1Integer(const Bytes& magnitude);
// UTF-8 converted to exactly that string type; refused when it does not fit.
AsnString asn1String(std::string_view utf8, StringType type);

// The SHA-1 of a certificate's public key (RFC 5280 4.2.1.2, method 1).
Bytes publicKeyId(const X509* certificate);
// The subject key identifier of a certificate, or publicKeyId when it has none.
Bytes keyIdOf(X509* certificate);

}  // namespace testkit::pki::detail
