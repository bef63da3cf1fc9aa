#include "csp.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "card_csp.h"
#include "platform/text.h"
#include "platform/win_error.h"
#include "software_csp.h"

namespace platform::crypt::provider {

void Keyset::setPin(DWORD, std::string) { throw WinError(NTE_BAD_TYPE, "the provider takes no PIN"); }

std::optional<Bytes> Keyset::vendorParameter(DWORD) { return std::nullopt; }

void Keyset::setVendorParameter(DWORD param, const BYTE*) {
    throw WinError(NTE_BAD_TYPE, "unknown provider parameter " + std::to_string(param));
}

std::optional<Bytes> Key::vendorParameter(DWORD) const { return std::nullopt; }

std::unique_ptr<Csp> openCsp(const ProviderEntry& entry) {
    if (isBuiltInImage(entry.imagePath)) return makeSoftwareCsp(entry);
    return makeCardCsp(entry);
}

std::u16string defaultContainerName() {
    if (const passwd* user = getpwuid(getuid()); user && user->pw_name) return text::fromUtf8(user->pw_name);
    if (const char* name = std::getenv("USER"); name && *name) return text::fromUtf8(name);
    return u"default";
}

}  // namespace platform::crypt::provider
