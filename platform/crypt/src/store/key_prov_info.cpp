#include "store/key_prov_info.h"

#include <optional>
#include <string>
#include <vector>

#include "platform/text.h"
#include "store/block_writer.h"
#include "store/little_endian.h"

namespace platform::crypt::store {

namespace {

struct Param {
    DWORD id;
    DWORD flags;
    View data;
};

struct Unpacked {
    DWORD provType, flags, keySpec;
    std::optional<std::u16string> container, provider;
    std::vector<Param> params;
};

Unpacked unpack(View packed) {
    LeReader in(packed);
    Unpacked u;
    u.provType = in.dword();
    u.flags = in.dword();
    u.keySpec = in.dword();
    u.container = in.text();
    u.provider = in.text();
    const DWORD count = in.dword();
    for (DWORD i = 0; i < count; ++i) {
        Param p;
        p.id = in.dword();
        p.flags = in.dword();
        p.data = in.counted();
        u.params.push_back(p);
    }
    in.finish();
    return u;
}

std::optional<std::u16string> textOf(const WCHAR* s) {
    if (!s) return std::nullopt;
    return std::u16string(s, text::length(s));
}

}  // namespace

Bytes packKeyProvInfo(const CRYPT_KEY_PROV_INFO& info) {
    if (info.cProvParam && !info.rgProvParam) throw WinError(E_INVALIDARG, "provider parameters missing");
    Bytes out;
    LeWriter w(out);
    w.dword(info.dwProvType);
    w.dword(info.dwFlags);
    w.dword(info.dwKeySpec);
    w.text(textOf(info.pwszContainerName));
    w.text(textOf(info.pwszProvName));
    w.dword(info.cProvParam);
    for (DWORD i = 0; i < info.cProvParam; ++i) {
        const CRYPT_KEY_PROV_PARAM& p = info.rgProvParam[i];
        if (p.cbData && !p.pbData) throw WinError(E_INVALIDARG, "provider parameter without data");
        w.dword(p.dwParam);
        w.dword(p.dwFlags);
        w.counted(p.cbData ? View(p.pbData, p.cbData) : View());
    }
    return out;
}

void checkKeyProvInfo(View packed) { unpack(packed); }

DWORD keySpecOf(View packed) { return unpack(packed).keySpec; }

void copyOutKeyProvInfo(View packed, void* pvData, DWORD* pcbData) {
    const Unpacked u = unpack(packed);
    copyOutBlock(pvData, pcbData, [&](BlockWriter& w) {
        auto* info = w.take<CRYPT_KEY_PROV_INFO>();
        auto* params = u.params.empty() ? nullptr : w.take<CRYPT_KEY_PROV_PARAM>(u.params.size());
        WCHAR* container = u.container ? w.copyText(std::u16string_view(*u.container)) : nullptr;
        WCHAR* provider = u.provider ? w.copyText(std::u16string_view(*u.provider)) : nullptr;
        for (std::size_t i = 0; i < u.params.size(); ++i) {
            BYTE* data = u.params[i].data.empty() ? nullptr : w.copy(u.params[i].data);
            if (params)
                params[i] = {u.params[i].id, data, static_cast<DWORD>(u.params[i].data.size()), u.params[i].flags};
        }
        if (info)
            *info = {container, provider, u.provType, u.flags, static_cast<DWORD>(u.params.size()), params,
                     u.keySpec};
    });
}

}  // namespace platform::crypt::store
