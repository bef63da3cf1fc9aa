// tls_verify.cpp: the server's chain against the stores' certificates, with
// X509_V_ERR_* -> ERROR_INTERNET_* and the security flag that waives each.
#include "tls_verify.h"

#include <arpa/inet.h>
#include <openssl/x509v3.h>

#include <string>

#include "platform/owned.h"
#include "tls_der.h"
#include "win32/inet.h"

namespace platform::inet {

namespace {

using Store = Owned<X509_STORE, X509_STORE_free>;
using StoreCtx = Owned<X509_STORE_CTX, X509_STORE_CTX_free>;

struct CertList {
    STACK_OF(X509)* list = sk_X509_new_null();
    ~CertList() { sk_X509_pop_free(list, X509_free); }
};

struct Waiver {
    DWORD error;
    DWORD flag;  // 0: never waived
};

Waiver waiverOf(int verifyError) noexcept {
    switch (verifyError) {
    case X509_V_ERR_CERT_NOT_YET_VALID:
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_ERROR_IN_CERT_NOT_BEFORE_FIELD:
    case X509_V_ERR_ERROR_IN_CERT_NOT_AFTER_FIELD:
        return {ERROR_INTERNET_SEC_CERT_DATE_INVALID, SECURITY_FLAG_IGNORE_CERT_DATE_INVALID};
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return {ERROR_INTERNET_SEC_CERT_CN_INVALID, SECURITY_FLAG_IGNORE_CERT_CN_INVALID};
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
        return {ERROR_INTERNET_INVALID_CA, SECURITY_FLAG_IGNORE_UNKNOWN_CA};
    case X509_V_ERR_INVALID_PURPOSE:
        return {ERROR_INTERNET_SEC_INVALID_CERT, SECURITY_FLAG_IGNORE_WRONG_USAGE};
    case X509_V_ERR_CERT_REVOKED:
        return {ERROR_INTERNET_SEC_CERT_REVOKED, SECURITY_FLAG_IGNORE_REVOCATION};
    case X509_V_ERR_CRL_NOT_YET_VALID:
    case X509_V_ERR_CRL_HAS_EXPIRED:
    case X509_V_ERR_CRL_SIGNATURE_FAILURE:
    case X509_V_ERR_UNABLE_TO_DECRYPT_CRL_SIGNATURE:
    case X509_V_ERR_ERROR_IN_CRL_LAST_UPDATE_FIELD:
    case X509_V_ERR_ERROR_IN_CRL_NEXT_UPDATE_FIELD:
    case X509_V_ERR_UNABLE_TO_GET_CRL_ISSUER:
        return {ERROR_INTERNET_SEC_CERT_REV_FAILED, SECURITY_FLAG_IGNORE_REVOCATION};
    default:
        return {ERROR_INTERNET_SEC_INVALID_CERT, 0};
    }
}

int stateIndex() {
    static const int index = X509_STORE_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

// Called by OpenSSL for each problem it finds in the chain.
int judge(int ok, X509_STORE_CTX* ctx) {
    if (ok) return 1;
    auto& state = *static_cast<TlsState*>(X509_STORE_CTX_get_ex_data(ctx, stateIndex()));
    const int error = X509_STORE_CTX_get_error(ctx);
    // A certificate without a CRL in the stores is not checked, as WinINet
    // does not fail a certificate whose revocation data is out of reach.
    if (error == X509_V_ERR_UNABLE_TO_GET_CRL) return 1;
    const Waiver waiver = waiverOf(error);
    if (waiver.flag && (state.setting->securityFlags & waiver.flag)) return 1;
    if (!state.certificateError) state.certificateError = waiver.error;
    return 0;
}

void setExpectedPeer(X509_VERIFY_PARAM* param, const std::string& host) {
    unsigned char address[16];
    const bool literal = inet_pton(AF_INET, host.c_str(), address) == 1 || inet_pton(AF_INET6, host.c_str(), address) == 1;
    if (literal)
        X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str());
    else
        X509_VERIFY_PARAM_set1_host(param, host.c_str(), host.size());
}

}  // namespace

int verifyServerChain(X509_STORE_CTX* sent, TlsState& state) {
    const TlsSetting& setting = *state.setting;
    Store store(X509_STORE_new());
    if (!store) return 0;
    // Certificates or CRLs in the stores that OpenSSL cannot read are left out.
    for (const Der& der : setting.trust.anchors)
        if (auto c = x509Of(der)) X509_STORE_add_cert(store.get(), c.get());
    for (const Der& der : setting.trust.crls)
        if (auto c = crlOf(der)) X509_STORE_add_crl(store.get(), c.get());

    CertList untrusted;
    if (STACK_OF(X509)* chain = X509_STORE_CTX_get0_untrusted(sent))
        for (int i = 0; i < sk_X509_num(chain); ++i) {
            X509* c = sk_X509_value(chain, i);
            X509_up_ref(c);
            sk_X509_push(untrusted.list, c);
        }
    for (const Der& der : setting.trust.intermediates)
        if (auto c = x509Of(der)) sk_X509_push(untrusted.list, c.release());

    StoreCtx ctx(X509_STORE_CTX_new());
    if (!ctx || X509_STORE_CTX_init(ctx.get(), store.get(), X509_STORE_CTX_get0_cert(sent), untrusted.list) != 1)
        return 0;
    X509_VERIFY_PARAM* param = X509_STORE_CTX_get0_param(ctx.get());
    X509_VERIFY_PARAM_set_time(param, static_cast<time_t>(setting.now));
    X509_VERIFY_PARAM_set_purpose(param, X509_PURPOSE_SSL_SERVER);
    if (!(setting.securityFlags & SECURITY_FLAG_IGNORE_REVOCATION))
        X509_VERIFY_PARAM_set_flags(param, X509_V_FLAG_CRL_CHECK | X509_V_FLAG_CRL_CHECK_ALL);
    setExpectedPeer(param, state.host);
    X509_STORE_CTX_set_ex_data(ctx.get(), stateIndex(), &state);
    X509_STORE_CTX_set_verify_cb(ctx.get(), judge);

    if (X509_verify_cert(ctx.get()) == 1) return 1;
    if (!state.certificateError) state.certificateError = ERROR_INTERNET_SEC_INVALID_CERT;
    X509_STORE_CTX_set_error(sent, X509_STORE_CTX_get_error(ctx.get()));
    return 0;
}

}  // namespace platform::inet
