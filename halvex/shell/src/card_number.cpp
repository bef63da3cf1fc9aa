#include "card_number.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "halvex/bstr.h"
#include "pentak_lib.h"
#include "platform/text.h"
#include "win32/oleauto.h"

namespace halvex {
namespace {

constexpr std::array<std::u16string_view, 4> kCardProviders = {
    u"KavloCSP", u"Vostrel Cryptographic Service Provider", u"Zintra CSP", u"Tesk Dravik CSP v1.0"};

std::u16string StatusText(HRESULT status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(status));
    return platform::text::fromUtf8(text);
}

}  // namespace

bool IsCardNumberProvider(const std::u16string& providerName) {
    for (const std::u16string_view provider : kCardProviders)
        if (providerName == provider) return true;
    return false;
}

std::optional<std::u16string> ReadCardNumber(IPentak* pentak, const std::u16string& providerName,
                                             std::u16string* error) {
    if (!pentak) {
        if (error) *error = StatusText(E_POINTER);
        return std::nullopt;
    }
    HRESULT status = pentak->Reset();
    if (SUCCEEDED(status)) status = pentak->put_ProviderName(MakeBstr(providerName).get());
    BSTR number = nullptr;
    if (SUCCEEDED(status)) status = pentak->GetCardNumber(&number);
    std::u16string text = TakeBstr(number);
    if (FAILED(status)) {
        // The object's own description of the failure; its status when it
        // has none.
        BSTR description = nullptr;
        std::u16string described = SUCCEEDED(pentak->get_Error(&description)) ? TakeBstr(description) : u"";
        if (error) *error = described.empty() ? StatusText(status) : described;
        return std::nullopt;
    }
    return text;
}

}  // namespace halvex
