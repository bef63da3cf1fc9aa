#include "store/system_store_keys.h"

#include <array>
#include <optional>

#include "platform/owned.h"
#include "platform/text.h"
#include "platform/win_error.h"
#include "win32/registry.h"

namespace platform::crypt::store {

namespace {

using RegKey = Owned<HKEY__, RegCloseKey>;

void check(LONG rc, const char* call) {
    if (rc != ERROR_SUCCESS) throw WinError(static_cast<DWORD>(rc), call);
}

// Null when the key does not exist.
RegKey openKey(HKEY root, const std::u16string& path, REGSAM access) {
    HKEY key = nullptr;
    const LONG rc = RegOpenKeyExW(root, path.c_str(), 0, access, &key);
    if (rc == ERROR_FILE_NOT_FOUND) return nullptr;
    check(rc, "RegOpenKeyExW");
    return RegKey(key);
}

RegKey createKey(HKEY root, const std::u16string& path) {
    HKEY key = nullptr;
    check(RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                          nullptr),
          "RegCreateKeyExW");
    return RegKey(key);
}

// The binary "Blob" value, or nothing when it is missing or of another type.
std::optional<Bytes> blobValue(HKEY key) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, u"Blob", nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_BINARY)
        return std::nullopt;
    Bytes blob(size);
    if (RegQueryValueExW(key, u"Blob", nullptr, &type, blob.data(), &size) != ERROR_SUCCESS) return std::nullopt;
    blob.resize(size);
    return blob;
}

constexpr std::array<std::u16string_view, 9> kPredefined = {
    u"MY", u"Root", u"Trust", u"CA", u"REQUEST", u"AddressBook", u"TrustedPeople", u"TrustedPublisher", u"Disallowed"};

}  // namespace

SystemStoreKeys::SystemStoreKeys(HKEY root, std::u16string_view name)
    : m_root(root), m_path(u"Software\\Microsoft\\SystemCertificates\\" + std::u16string(name)) {}

std::u16string SystemStoreKeys::folderOf(Kind kind) const {
    return m_path + (kind == Kind::Certificate ? u"\\Certificates" : u"\\CRLs");
}

bool SystemStoreKeys::exists() const { return openKey(m_root, m_path, KEY_READ) != nullptr; }

void SystemStoreKeys::create() const {
    createKey(m_root, folderOf(Kind::Certificate));
    createKey(m_root, folderOf(Kind::Crl));
}

void SystemStoreKeys::deleteAll() const { check(RegDeleteTreeW(m_root, m_path.c_str()), "RegDeleteTreeW"); }

std::vector<SystemStoreKeys::Entry> SystemStoreKeys::entries(Kind kind) const {
    std::vector<Entry> found;
    const RegKey folder = openKey(m_root, folderOf(kind), KEY_READ);
    if (!folder) return found;
    for (DWORD index = 0;; ++index) {
        std::array<WCHAR, 256> name{};
        DWORD length = name.size();
        const LONG rc = RegEnumKeyExW(folder.get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) continue;  // a name no hash has
        const std::u16string entryName(name.data(), length);
        const RegKey entry = openKey(folder.get(), entryName, KEY_READ);
        if (!entry) continue;  // deleted by another process meanwhile
        if (auto blob = blobValue(entry.get())) found.push_back({entryName, std::move(*blob)});
    }
    return found;
}

void SystemStoreKeys::write(Kind kind, std::u16string_view name, View blob) const {
    const RegKey entry = createKey(m_root, folderOf(kind) + u"\\" + std::u16string(name));
    check(RegSetValueExW(entry.get(), u"Blob", 0, REG_BINARY, blob.data(), static_cast<DWORD>(blob.size())),
          "RegSetValueExW");
}

void SystemStoreKeys::erase(Kind kind, std::u16string_view name) const {
    const std::u16string path = folderOf(kind) + u"\\" + std::u16string(name);
    const LONG rc = RegDeleteTreeW(m_root, path.c_str());
    if (rc != ERROR_FILE_NOT_FOUND) check(rc, "RegDeleteTreeW");
}

bool isPredefinedSystemStore(std::u16string_view name) {
    for (const auto known : kPredefined)
        if (text::equalsNoCase(known, name)) return true;
    return false;
}

}  // namespace platform::crypt::store
