#include "chain/openssl_constraints.h"

#include <openssl/err.h>
#include <openssl/objects.h>
#include <openssl/x509_vfy.h>

#include <memory>
#include <new>
#include <optional>

#include "platform/owned.h"

namespace platform::crypt::chain::openssl {

namespace {

using X509Ref = Owned<X509, X509_free>;
using StoreCtx = Owned<X509_STORE_CTX, X509_STORE_CTX_free>;
using TrustStore = Owned<X509_STORE, X509_STORE_free>;

struct X509List {
    STACK_OF(X509) * list = sk_X509_new_null();
    ~X509List() { sk_X509_pop_free(list, X509_free); }
};

std::optional<ConstraintFault> faultOf(int verifyError) {
    switch (verifyError) {
    case X509_V_ERR_PERMITTED_VIOLATION:
        return ConstraintFault::NotPermitted;
    case X509_V_ERR_EXCLUDED_VIOLATION:
        return ConstraintFault::Excluded;
    case X509_V_ERR_SUBTREE_MINMAX:
    case X509_V_ERR_UNSUPPORTED_CONSTRAINT_TYPE:
    case X509_V_ERR_UNSUPPORTED_CONSTRAINT_SYNTAX:
    case X509_V_ERR_UNSUPPORTED_NAME_SYNTAX:
        return ConstraintFault::NotSupported;
    case X509_V_ERR_INVALID_POLICY_EXTENSION:
    case X509_V_ERR_NO_EXPLICIT_POLICY:
        return ConstraintFault::Policy;
    default:
        return std::nullopt;  // the engine decides everything else itself
    }
}

struct Notes {
    const std::vector<X509*>* certs;
    std::vector<Finding> findings;
    bool outOfMemory = false;  // nothing may be thrown through OpenSSL's frames
};

int notesIndex() {
    static const int index = X509_STORE_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

Notes& notesOf(X509_STORE_CTX* ctx) {
    return *static_cast<Notes*>(X509_STORE_CTX_get_ex_data(ctx, notesIndex()));
}

// Each certificate is issued by the next one on the path and by no other,
// so OpenSSL judges exactly the path the engine built, also where its own
// name and key identifier matching would not link two of them.
int nextOnPath(X509_STORE_CTX* ctx, X509* subject, X509* issuer) {
    const std::vector<X509*>& certs = *notesOf(ctx).certs;
    for (std::size_t i = 0; i + 1 < certs.size(); ++i)
        if (certs[i] == subject) return certs[i + 1] == issuer ? 1 : 0;
    return 0;
}

// Every problem is noted and passed over, so validation runs to the end.
int note(int ok, X509_STORE_CTX* ctx) {
    if (ok) return 1;
    const auto fault = faultOf(X509_STORE_CTX_get_error(ctx));
    if (!fault) return 1;
    Notes& notes = notesOf(ctx);
    std::size_t at = 0;
    if (const X509* current = X509_STORE_CTX_get_current_cert(ctx); current && *fault != ConstraintFault::Policy)
        for (std::size_t i = 0; i < notes.certs->size(); ++i)
            if ((*notes.certs)[i] == current) at = i;
    try {
        notes.findings.push_back({at, *fault});
    } catch (const std::bad_alloc&) {
        notes.outOfMemory = true;
    }
    return 1;
}

// Policies are processed from anyPolicy as the initial set, without an
// initial demand for an explicit policy and with mapping and anyPolicy
// allowed (RFC 5280 section 6.1.1): what the certificates state decides.
void processPolicies(X509_VERIFY_PARAM* param) {
    ASN1_OBJECT* anyPolicy = OBJ_dup(OBJ_nid2obj(NID_any_policy));
    if (!anyPolicy || X509_VERIFY_PARAM_add0_policy(param, anyPolicy) != 1) {
        ASN1_OBJECT_free(anyPolicy);
        throw std::bad_alloc();
    }
    X509_VERIFY_PARAM_set_flags(param, X509_V_FLAG_POLICY_CHECK);
}

X509Ref parsed(std::span<const std::uint8_t> der) {
    const unsigned char* at = der.data();
    return X509Ref(d2i_X509(nullptr, &at, static_cast<long>(der.size())));
}

}  // namespace

std::vector<Finding> constraintFindings(const std::vector<std::span<const std::uint8_t>>& path, std::int64_t unixTime) {
    std::vector<X509Ref> owned;
    std::vector<X509*> certs;
    for (const auto der : path) {
        owned.push_back(parsed(der));
        if (!owned.back()) {
            ERR_clear_error();
            return {};
        }
        certs.push_back(owned.back().get());
    }
    if (certs.empty()) return {};
    const TrustStore anchor(X509_STORE_new());
    const StoreCtx ctx(X509_STORE_CTX_new());
    const X509List between;
    if (!anchor || !ctx || !between.list) throw std::bad_alloc();
    X509_STORE_add_cert(anchor.get(), certs.back());
    X509_STORE_set_check_issued(anchor.get(), nextOnPath);
    // The anchor is among the intermediates too: a lookup in the store goes
    // by the issuer name's canonical form, which need not find it.
    for (std::size_t i = 1; i < certs.size(); ++i) {
        X509_up_ref(certs[i]);
        sk_X509_push(between.list, certs[i]);
    }
    if (X509_STORE_CTX_init(ctx.get(), anchor.get(), certs.front(), between.list) != 1) throw std::bad_alloc();
    X509_VERIFY_PARAM* param = X509_STORE_CTX_get0_param(ctx.get());
    X509_VERIFY_PARAM_set_flags(param, X509_V_FLAG_PARTIAL_CHAIN);
    processPolicies(param);
    X509_VERIFY_PARAM_set_auth_level(param, 0);
    X509_VERIFY_PARAM_set_time(param, static_cast<time_t>(unixTime));
    Notes notes{&certs, {}};
    X509_STORE_CTX_set_ex_data(ctx.get(), notesIndex(), &notes);
    X509_STORE_CTX_set_verify_cb(ctx.get(), note);
    X509_verify_cert(ctx.get());
    ERR_clear_error();
    if (notes.outOfMemory) throw std::bad_alloc();
    return notes.findings;
}

}  // namespace platform::crypt::chain::openssl
