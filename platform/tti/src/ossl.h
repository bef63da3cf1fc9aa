// ossl.h: the one place that says how the OpenSSL objects the library uses
// are freed. A raw pointer lives only until the line that wraps it.
#pragma once

#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/ess.h>
#include <openssl/evp.h>
#include <openssl/pkcs7.h>
#include <openssl/ts.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>

namespace tti {

template <auto Free>
struct FreeWith {
    template <class T>
    void operator()(T* p) const noexcept {
        Free(p);
    }
};
template <class T, auto Free>
using Owned = std::unique_ptr<T, FreeWith<Free>>;

using Asn1Integer = Owned<ASN1_INTEGER, ASN1_INTEGER_free>;
using Asn1Object = Owned<ASN1_OBJECT, ASN1_OBJECT_free>;
using Bio = Owned<BIO, BIO_free>;
using GeneralNames = Owned<GENERAL_NAMES, GENERAL_NAMES_free>;
using MdCtx = Owned<EVP_MD_CTX, EVP_MD_CTX_free>;
using Pkcs7 = Owned<PKCS7, PKCS7_free>;
using TsMsgImprint = Owned<TS_MSG_IMPRINT, TS_MSG_IMPRINT_free>;
using TsReq = Owned<TS_REQ, TS_REQ_free>;
using TsResp = Owned<TS_RESP, TS_RESP_free>;
using TstInfo = Owned<TS_TST_INFO, TS_TST_INFO_free>;
using X509Algor = Owned<X509_ALGOR, X509_ALGOR_free>;
using EssSigningCert = Owned<ESS_SIGNING_CERT, ESS_SIGNING_CERT_free>;
using EssSigningCertV2 = Owned<ESS_SIGNING_CERT_V2, ESS_SIGNING_CERT_V2_free>;

// A stack that holds certificates it does not own (sk_X509_free is a macro).
struct CertStackFree {
    void operator()(STACK_OF(X509) * stack) const noexcept { sk_X509_free(stack); }
};
using CertStack = std::unique_ptr<STACK_OF(X509), CertStackFree>;

}  // namespace tti
