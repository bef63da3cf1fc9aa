// tls_context.cpp: what each OpenSSL context libcurl makes gets from us.
#include "tls_context.h"

#include <openssl/ssl.h>

#include "platform/owned.h"
#include "tls_client_key.h"
#include "tls_der.h"
#include "tls_verify.h"

namespace platform::inet {

namespace {

using PKey = Owned<EVP_PKEY, EVP_PKEY_free>;

int stateIndex() {
    static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

int verify(X509_STORE_CTX* sent, void* state) { return verifyServerChain(sent, *static_cast<TlsState*>(state)); }

// Called when the server asks for a certificate and none is configured:
// none is sent, and the request fails with "client certificate needed" if
// the server insists.
int noCertificate(SSL* ssl, X509**, EVP_PKEY**) {
    auto* state = static_cast<TlsState*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), stateIndex()));
    if (state) state->clientCertificateAsked = true;
    return 0;
}

// The certificate goes with the issuers the stores know, as far as they
// reach (the root left out), so a server that trusts only the root can
// build the chain.
bool sendWithIssuers(SSL_CTX* ctx, const TrustMaterial& trust) {
    X509_STORE* issuers = X509_STORE_new();
    if (!issuers) return false;
    for (const auto* list : {&trust.intermediates, &trust.anchors})
        for (const Der& der : *list)
            if (auto c = x509Of(der)) X509_STORE_add_cert(issuers, c.get());
    SSL_CTX_set0_chain_cert_store(ctx, issuers);
    return SSL_CTX_build_cert_chain(ctx, SSL_BUILD_CHAIN_FLAG_NO_ROOT | SSL_BUILD_CHAIN_FLAG_IGNORE_ERROR) > 0;
}

bool useClientCertificate(SSL_CTX* ctx, const TlsSetting& setting) {
    const ClientCredential& credential = *setting.clientCertificate;
    X509Object cert = x509Of(credential.certificate);
    if (!cert) return false;
    PKey key(providerBackedKey(cert.get(), credential));
    if (!key) return false;
    // Providers sign PKCS #1 v1.5 only; TLS 1.3 would need PSS.
    return SSL_CTX_use_certificate(ctx, cert.get()) == 1 && SSL_CTX_use_PrivateKey(ctx, key.get()) == 1 &&
           sendWithIssuers(ctx, setting.trust) && SSL_CTX_set_max_proto_version(ctx, TLS1_2_VERSION) == 1 &&
           SSL_CTX_set1_client_sigalgs_list(ctx, "RSA+SHA256:RSA+SHA384:RSA+SHA512:RSA+SHA1") == 1;
}

}  // namespace

bool prepareTlsContext(void* sslCtx, TlsState& state) noexcept {
    auto* ctx = static_cast<SSL_CTX*>(sslCtx);
    SSL_CTX_set_ex_data(ctx, stateIndex(), &state);
    // libcurl is told not to verify; the handshake is refused here instead.
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_cert_verify_callback(ctx, verify, &state);
    if (state.setting->clientCertificate) return useClientCertificate(ctx, *state.setting);
    SSL_CTX_set_client_cert_cb(ctx, noCertificate);
    return true;
}

}  // namespace platform::inet
