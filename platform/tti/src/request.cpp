// request.cpp: TTI_EncodeTSQ_Ex, the request record as a DER TimeStampReq
// (RFC 3161 2.4.1): version 1, the imprint, the policy, nonce and certReq
// when the record has them, no extensions.
#include "buffers.h"
#include "failure.h"
#include "ossl.h"
#include "values.h"

namespace tti {

namespace {

TsMsgImprint makeImprint(const TtiImprint& field) {
    if (field.hashLength == 0 || field.hashLength > sizeof field.hash) fail(TTI_E_PARAMETER);
    Asn1Object oid = oidFromText(fieldText(field.hashAlgOid, sizeof field.hashAlgOid));
    if (!oid) fail(TTI_E_PARAMETER);
    // A hash that OpenSSL knows must have its length.
    if (const EVP_MD* md = EVP_get_digestbyobj(oid.get());
        md && EVP_MD_get_size(md) != static_cast<int>(field.hashLength))
        fail(TTI_E_PARAMETER);

    X509Algor algorithm(X509_ALGOR_new());
    TsMsgImprint imprint(TS_MSG_IMPRINT_new());
    if (!algorithm || !imprint) throw std::bad_alloc();
    if (!X509_ALGOR_set0(algorithm.get(), oid.get(), V_ASN1_NULL, nullptr)) fail(TTI_E_ASN_RESULT);
    oid.release();
    if (!TS_MSG_IMPRINT_set_algo(imprint.get(), algorithm.get()) ||
        !TS_MSG_IMPRINT_set_msg(imprint.get(), const_cast<unsigned char*>(field.hash),
                                static_cast<int>(field.hashLength)))
        fail(TTI_E_ASN_RESULT);
    return imprint;
}

TsReq makeRequest(const TtiRequest& record) {
    TsReq request(TS_REQ_new());
    if (!request) throw std::bad_alloc();
    if (!TS_REQ_set_version(request.get(), 1)) fail(TTI_E_ASN_RESULT);
    if (!TS_REQ_set_msg_imprint(request.get(), makeImprint(record.imprint).get())) fail(TTI_E_ASN_RESULT);

    if (const auto policy = fieldText(record.policyOid, sizeof record.policyOid); !policy.empty()) {
        const Asn1Object oid = oidFromText(policy);
        if (!oid) fail(TTI_E_PARAMETER);
        if (!TS_REQ_set_policy_id(request.get(), oid.get())) fail(TTI_E_ASN_RESULT);
    }
    if (record.nonce.length > sizeof record.nonce.bytes) fail(TTI_E_PARAMETER);
    if (record.nonce.length) {
        const Asn1Integer nonce = positiveIntegerFromContent({record.nonce.bytes, record.nonce.length});
        if (!nonce) fail(TTI_E_PARAMETER);
        if (!TS_REQ_set_nonce(request.get(), nonce.get())) fail(TTI_E_ASN_RESULT);
    }
    if (record.certReq && !TS_REQ_set_cert_req(request.get(), 1)) fail(TTI_E_ASN_RESULT);
    return request;
}

}  // namespace

}  // namespace tti

TTI_API int TTI_EncodeTSQ_Ex(const TtiRequest* request, std::uint8_t* out, std::uint32_t* outLength,
                             std::uint32_t option) {
    return tti::guarded([&] {
        if (!request || request->size != sizeof(TtiRequest) || option != 0) return int{TTI_E_PARAMETER};
        const tti::TsReq encoded = tti::makeRequest(*request);
        return tti::copyOut(tti::toDer(encoded.get(), i2d_TS_REQ), out, outLength);
    });
}
