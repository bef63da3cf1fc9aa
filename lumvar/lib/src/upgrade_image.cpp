#include "upgrade_image.h"

#include "lumvar/log_writer.h"
#include "win32/error.h"
#include "win32/resources.h"

namespace lumvar::library {
namespace {

constexpr WORD kUpgradeProgramId = 105;
constexpr WORD kCzech = 1029;

std::nullopt_t failed(const char16_t* message) {
    log::write(log::Level::Error, message, static_cast<int>(GetLastError()));
    return std::nullopt;
}

}  // namespace

std::optional<std::string_view> UpgradeImage() {
    // A null module is the one this code is linked into: the library itself.
    const HRSRC found =
        FindResourceExW(nullptr, MAKEINTRESOURCEW(RT_RCDATA_ID), MAKEINTRESOURCEW(kUpgradeProgramId), kCzech);
    if (!found) return failed(u"LUMVAR_DoUpdate: Nepodařilo se najít resource. Err=%d");
    const HGLOBAL loaded = LoadResource(nullptr, found);
    if (!loaded) return failed(u"LUMVAR_DoUpdate: Nepodařilo se načíst resource. Err=%d");
    const void* data = LockResource(loaded);
    if (!data) return failed(u"LUMVAR_DoUpdate: Nepodařilo se získat data z resource. Err=%d");
    const DWORD size = SizeofResource(nullptr, found);
    if (size == 0) return failed(u"LUMVAR_DoUpdate: Nepodařilo se získat velikost dat z resource. Err=%d");
    return std::string_view(static_cast<const char*>(data), size);
}

}  // namespace lumvar::library
