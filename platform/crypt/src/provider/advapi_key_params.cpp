// CryptGetKeyParam and CryptSetKeyParam: the key's algorithm, length and
// permissions, its certificate (KP_CERTIFICATE), and vendor parameters.
#include "der_certificate.h"
#include "handles.h"
#include "out_text.h"
#include "platform/boundary.h"
#include "platform/buffers.h"
#include "vendor_hooks.h"
#include "win32/crypt_provider.h"

namespace platform::crypt::provider {

namespace {

DWORD permissionsOf(const Key& key) {
    return CRYPT_ENCRYPT | CRYPT_DECRYPT | CRYPT_READ | CRYPT_WRITE | CRYPT_MAC |
           (key.exportable() ? CRYPT_EXPORT : 0);
}

std::optional<ParameterHook> hookFor(const KeyObject& object, DWORD param) {
    return findParameterHook(object.context->provider.name, ParameterKind::Key, param);
}

bool getKeyParam(HCRYPTKEY hKey, DWORD param, BYTE* pb, DWORD* pcb, DWORD flags) {
    const auto object = keys().get(hKey);
    if (!pcb) throw WinError(ERROR_INVALID_PARAMETER, "null pdwDataLen");
    const Key& key = *object->key;
    const bool standard = param == KP_ALGID || param == KP_KEYLEN || param == KP_PERMISSIONS || param == KP_CERTIFICATE;
    if (standard && flags) throw WinError(NTE_BAD_FLAGS, "CryptGetKeyParam flags");
    switch (param) {
    case KP_ALGID: copyOutDword(key.algorithm(), pb, pcb); return true;
    case KP_KEYLEN: copyOutDword(rsaBits(key.publicKey()), pb, pcb); return true;
    case KP_PERMISSIONS: copyOutDword(permissionsOf(key), pb, pcb); return true;
    case KP_CERTIFICATE: {
        const auto cert = key.certificate();
        if (!cert) throw WinError(SCARD_E_NO_SUCH_CERTIFICATE, "the key has no certificate");
        copyOut(*cert, pb, pcb);
        return true;
    }
    default: break;
    }
    // A hook registered in this process wins over what the key's store holds.
    if (const auto hook = hookFor(*object, param)) {
        if (!hook->get) throw WinError(NTE_BAD_TYPE, "key parameter " + std::to_string(param) + " cannot be read");
        copyOut(hook->get(HookTarget{object->context->handle, key.spec()}, flags), pb, pcb);
        return true;
    }
    const auto held = key.vendorParameter(param);
    if (!held) throw WinError(NTE_BAD_TYPE, "unknown key parameter " + std::to_string(param));
    copyOut(*held, pb, pcb);
    return true;
}

bool setKeyParam(HCRYPTKEY hKey, DWORD param, const BYTE* pb, DWORD flags) {
    const auto object = keys().get(hKey);
    if (param == KP_CERTIFICATE) {
        if (flags) throw WinError(NTE_BAD_FLAGS, "CryptSetKeyParam flags");
        object->key->setCertificate(pb ? std::optional<View>(certificateAt(pb)) : std::nullopt);
        return true;
    }
    const auto hook = hookFor(*object, param);
    if (!hook || !hook->set) throw WinError(NTE_BAD_TYPE, "key parameter " + std::to_string(param) + " cannot be set");
    hook->set(HookTarget{object->context->handle, object->key->spec()}, pb, flags);
    return true;
}

}  // namespace

}  // namespace platform::crypt::provider

BOOL CryptGetKeyParam(HCRYPTKEY hKey, DWORD dwParam, BYTE* pbData, DWORD* pdwDataLen, DWORD dwFlags) noexcept {
    return platform::winBool(
        [&] { return platform::crypt::provider::getKeyParam(hKey, dwParam, pbData, pdwDataLen, dwFlags); });
}

BOOL CryptSetKeyParam(HCRYPTKEY hKey, DWORD dwParam, const BYTE* pbData, DWORD dwFlags) noexcept {
    return platform::winBool([&] { return platform::crypt::provider::setKeyParam(hKey, dwParam, pbData, dwFlags); });
}
