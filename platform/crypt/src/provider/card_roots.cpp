#include "card_roots.h"

#include <algorithm>
#include <vector>

#include <openssl/x509v3.h>

#include "openssl_types.h"
#include "platform/win_error.h"

namespace platform::crypt::provider {

namespace {

using namespace p11;

// A certificate object's value is read only up to this size.
constexpr std::size_t kMaxCertificateObject = 64 * 1024;

struct CardRoot {
    CK_OBJECT_HANDLE object;
    Bytes der;
};

bool isSelfIssuedCa(const Bytes& der) {
    const unsigned char* p = der.data();
    const Certificate cert(d2i_X509(nullptr, &p, static_cast<long>(der.size())));
    return cert && p == der.data() + der.size() && X509_check_ca(cert.get()) > 0 &&
           X509_check_issued(cert.get(), cert.get()) == X509_V_OK;
}

bool belongsToKey(Session& session, const Bytes& id) {
    if (id.empty()) return false;
    for (const CK_OBJECT_CLASS type : {CKO_PUBLIC_KEY, CKO_PRIVATE_KEY}) {
        Template match;
        match.add(CKA_CLASS, type).add(CKA_ID, id);
        if (!session.find(match).empty()) return true;
    }
    return false;
}

std::vector<CardRoot> cardRoots(Session& session) {
    Template match;
    match.add(CKA_CLASS, CKO_CERTIFICATE);
    std::vector<CardRoot> roots;
    for (const CK_OBJECT_HANDLE object : session.find(match)) {
        std::optional<Bytes> der;
        try {
            der = session.attribute(object, CKA_VALUE, kMaxCertificateObject);
        } catch (const WinError&) {
            continue;  // an oversized object is no certificate of ours
        }
        if (!der || !isSelfIssuedCa(*der) || belongsToKey(session, session.attribute(object, CKA_ID).value_or(Bytes{})))
            continue;
        roots.push_back({object, std::move(*der)});
    }
    return roots;
}

}  // namespace

std::optional<Bytes> cardRootParameter(Session& session, DWORD param) {
    if (param != kCardRootCountParameter && param != kCardRootListParameter) return std::nullopt;
    const std::vector<CardRoot> roots = cardRoots(session);
    Bytes value;
    if (param == kCardRootCountParameter) {
        const DWORD count = static_cast<DWORD>(roots.size());
        for (int shift = 0; shift < 32; shift += 8) value.push_back(static_cast<CK_BYTE>(count >> shift));
        return value;
    }
    for (const CardRoot& root : roots) value.insert(value.end(), root.der.begin(), root.der.end());
    return value;
}

p11::CK_OBJECT_HANDLE cardRootObject(Session& session, View der) {
    for (const CardRoot& root : cardRoots(session))
        if (std::equal(root.der.begin(), root.der.end(), der.begin(), der.end())) return root.object;
    throw WinError(CRYPT_E_NOT_FOUND, "the card keeps no such root certificate");
}

}  // namespace platform::crypt::provider
