// CryptGetProvParam and CryptSetProvParam: the provider's name, container,
// version, algorithms and containers; PINs; and vendor parameters.
#include <algorithm>
#include <cstring>

#include "handles.h"
#include "out_text.h"
#include "platform/boundary.h"
#include "platform/buffers.h"
#include "platform/text.h"
#include "vendor_hooks.h"
#include "win32/crypt_provider.h"

namespace platform::crypt::provider {

namespace {

constexpr DWORD kEnumerationFlags = CRYPT_FIRST | CRYPT_NEXT;

template <std::size_t N>
DWORD copyName(CHAR (&field)[N], const char* name) {
    const std::size_t n = std::min(std::strlen(name), N - 1);
    std::memcpy(field, name, n);
    field[n] = '\0';
    return static_cast<DWORD>(n + 1);
}

PROV_ENUMALGS recordOf(const AlgorithmInfo& a) {
    PROV_ENUMALGS r{};
    r.aiAlgid = a.id;
    r.dwBitLen = a.defaultBits;
    r.dwNameLen = copyName(r.szName, a.name);
    return r;
}

PROV_ENUMALGS_EX recordExOf(const AlgorithmInfo& a) {
    PROV_ENUMALGS_EX r{};
    r.aiAlgid = a.id;
    r.dwDefaultLen = a.defaultBits;
    r.dwMinLen = a.minBits;
    r.dwMaxLen = a.maxBits;
    r.dwProtocols = a.protocols;
    r.dwNameLen = copyName(r.szName, a.name);
    r.dwLongNameLen = copyName(r.szLongName, a.longName);
    return r;
}

// One step of an enumeration: CRYPT_FIRST starts over; a size query or a
// short buffer leaves the cursor where it is.
template <class Item>
void enumerate(std::size_t& cursor, std::size_t count, DWORD flags, const Item& item, BYTE* pb, DWORD* pcb) {
    if (flags & ~kEnumerationFlags) throw WinError(NTE_BAD_FLAGS, "enumeration flags");
    if (flags & CRYPT_FIRST) cursor = 0;
    if (cursor >= count) throw WinError(ERROR_NO_MORE_ITEMS, "no more items");
    item(cursor, pb, pcb);
    if (pb) ++cursor;
}

template <class Record>
void copyRecord(const Record& r, BYTE* pb, DWORD* pcb) {
    copyOut({reinterpret_cast<const BYTE*>(&r), sizeof r}, pb, pcb);
}

bool getProvParam(HCRYPTPROV hProv, DWORD param, BYTE* pb, DWORD* pcb, DWORD flags) {
    const auto context = contexts().get(hProv);
    if (!pcb) throw WinError(ERROR_INVALID_PARAMETER, "null pdwDataLen");
    Keyset& keyset = *context->keyset;
    std::lock_guard lock(context->mutex);
    const bool enumeration = param == PP_ENUMALGS || param == PP_ENUMALGS_EX || param == PP_ENUMCONTAINERS;
    if (!enumeration && flags) throw WinError(NTE_BAD_FLAGS, "CryptGetProvParam flags");
    switch (param) {
    case PP_NAME: copyOutAnsi(context->provider.name, pb, pcb); return true;
    case PP_CONTAINER: copyOutAnsi(keyset.containerName(), pb, pcb); return true;
    case PP_VERSION: copyOutDword(keyset.version(), pb, pcb); return true;
    case PP_ENUMALGS: {
        const AlgorithmList list = keyset.algorithms();
        enumerate(context->algorithmCursor, list.size(), flags,
                  [&](std::size_t i, BYTE* b, DWORD* c) { copyRecord(recordOf(list[i]), b, c); }, pb, pcb);
        return true;
    }
    case PP_ENUMALGS_EX: {
        const AlgorithmList list = keyset.algorithms();
        enumerate(context->algorithmExCursor, list.size(), flags,
                  [&](std::size_t i, BYTE* b, DWORD* c) { copyRecord(recordExOf(list[i]), b, c); }, pb, pcb);
        return true;
    }
    case PP_ENUMCONTAINERS: {
        if ((flags & CRYPT_FIRST) || !context->containers) context->containers = keyset.containerNames();
        const auto& names = *context->containers;
        enumerate(context->containerCursor, names.size(), flags,
                  [&](std::size_t i, BYTE* b, DWORD* c) { copyOutAnsi(names[i], b, c); }, pb, pcb);
        return true;
    }
    default: break;
    }
    // A hook registered in this process wins over what the provider holds.
    if (const auto hook = findParameterHook(context->provider.name, ParameterKind::Provider, param)) {
        if (!hook->get) throw WinError(NTE_BAD_TYPE, "provider parameter " + std::to_string(param) + " cannot be read");
        copyOut(hook->get(HookTarget{hProv, 0}, flags), pb, pcb);
        return true;
    }
    const auto held = keyset.vendorParameter(param);
    if (!held) throw WinError(NTE_BAD_TYPE, "unknown provider parameter " + std::to_string(param));
    copyOut(*held, pb, pcb);
    return true;
}

bool setProvParam(HCRYPTPROV hProv, DWORD param, const BYTE* pb, DWORD flags) {
    const auto context = contexts().get(hProv);
    if (param == PP_KEYEXCHANGE_PIN || param == PP_SIGNATURE_PIN) {
        if (flags) throw WinError(NTE_BAD_FLAGS, "CryptSetProvParam flags");
        if (!pb) throw WinError(ERROR_INVALID_PARAMETER, "null PIN");
        const std::string ansi(reinterpret_cast<const char*>(pb));
        context->keyset->setPin(param == PP_SIGNATURE_PIN ? AT_SIGNATURE : AT_KEYEXCHANGE,
                                text::toUtf8(text::toWide(ansi, CP_ACP)));
        return true;
    }
    const auto hook = findParameterHook(context->provider.name, ParameterKind::Provider, param);
    if (!hook) {
        context->keyset->setVendorParameter(param, pb);
        return true;
    }
    if (!hook->set) throw WinError(NTE_BAD_TYPE, "unknown provider parameter " + std::to_string(param));
    hook->set(HookTarget{hProv, 0}, pb, flags);
    return true;
}

}  // namespace

}  // namespace platform::crypt::provider

BOOL CryptGetProvParam(HCRYPTPROV hProv, DWORD dwParam, BYTE* pbData, DWORD* pdwDataLen, DWORD dwFlags) noexcept {
    return platform::winBool(
        [&] { return platform::crypt::provider::getProvParam(hProv, dwParam, pbData, pdwDataLen, dwFlags); });
}

BOOL CryptSetProvParam(HCRYPTPROV hProv, DWORD dwParam, const BYTE* pbData, DWORD dwFlags) noexcept {
    return platform::winBool([&] { return platform::crypt::provider::setProvParam(hProv, dwParam, pbData, dwFlags); });
}
