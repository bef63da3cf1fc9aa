#include "rollback_guard.h"

#include "lumvar/log_writer.h"
#include "platform/owned.h"
#include "win32/registry.h"

namespace tornil {

namespace {

using lumvar::log::Level;
using lumvar::log::write;

constexpr char16_t kRunOnceKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

std::u16string programOf(const std::u16string& downloadPath) { return downloadPath + u"bin\\Tornil.exe"; }
std::u16string valueName(const std::u16string& downloadPath) {
    return u"Tesk Upgrade " + programOf(downloadPath) + u" Rollback";
}

// The key opened for writing, created when missing; null on failure.
HKEY openKey() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunOnceKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) return key;
    write(Level::Info, u"Registry::OpenKey: Creating registry key: %ls", kRunOnceKey);
    const LONG status =
        RegCreateKeyExW(HKEY_CURRENT_USER, kRunOnceKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) return key;
    write(Level::Error, u"Registry::OpenKey: Error: %d Could not find or create %ls", static_cast<int>(status),
          kRunOnceKey);
    return nullptr;
}

}  // namespace

bool WriteRollbackGuard(const std::u16string& downloadPath) {
    const platform::Owned<HKEY__, RegCloseKey> key(openKey());
    if (!key) return false;
    const std::u16string command = u"\"" + programOf(downloadPath) + u"\" Rollback";
    const LONG status = RegSetValueExW(key.get(), valueName(downloadPath).c_str(), 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(command.c_str()),
                                       static_cast<DWORD>((command.size() + 1) * sizeof(char16_t)));
    if (status == ERROR_SUCCESS) return true;
    write(Level::Error, u"Registry::SetString: Error %d Could not set registry value: %ls", static_cast<int>(status),
          command.c_str());
    return false;
}

bool RemoveRollbackGuard(const std::u16string& downloadPath) {
    const platform::Owned<HKEY__, RegCloseKey> key(openKey());
    if (!key) return false;
    const std::u16string name = valueName(downloadPath);
    const LONG status = RegDeleteValueW(key.get(), name.c_str());
    if (status == ERROR_SUCCESS) return true;
    write(Level::Error, u"Registry::DeleteVal: Error %d Could not delete registry value %ls", static_cast<int>(status),
          name.c_str());
    return false;
}

}  // namespace tornil
