#include "store/name_text.h"

#include "win32/crypt_names.h"

namespace platform::crypt::store {

namespace {

// The two calls of a CertNameToStr-shaped function: its count includes the NUL.
template <class Call>
std::u16string twoCalls(Call&& call) {
    const DWORD needed = call(nullptr, 0);
    std::u16string text(needed, u'\0');
    const DWORD written = call(text.data(), needed);
    text.resize(written ? written - 1 : 0);
    return text;
}

}  // namespace

std::u16string nameToText(const CERT_NAME_BLOB& name, DWORD strType) {
    return twoCalls([&](LPWSTR psz, DWORD csz) {
        return CertNameToStrW(X509_ASN_ENCODING, &name, strType, psz, csz);
    });
}

std::u16string valueToText(const CERT_RDN_ATTR& attribute) {
    return twoCalls([&](LPWSTR psz, DWORD csz) {
        return CertRDNValueToStrW(attribute.dwValueType, &attribute.Value, psz, csz);
    });
}

}  // namespace platform::crypt::store
