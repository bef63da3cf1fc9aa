// The registry keys of one system store:
//   <HKCU or HKLM>\Software\Microsoft\SystemCertificates\<name>
//       \Certificates\<SHA-1 in upper-case hex>   value "Blob" (REG_BINARY)
//       \CRLs\<SHA-1 in upper-case hex>           value "Blob"
// Entries are read in the order their keys were created, which is the
// store's order. Every write is one registry transaction, seen at once by
// other processes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/element.h"
#include "win32/types.h"

namespace platform::crypt::store {

class SystemStoreKeys {
public:
    SystemStoreKeys(HKEY root, std::u16string_view name);

    bool exists() const;
    void create() const;
    // ERROR_FILE_NOT_FOUND when there is nothing to delete.
    void deleteAll() const;

    struct Entry {
        std::u16string name;
        Bytes blob;
    };
    // Entries whose "Blob" cannot be read as binary data are left out.
    std::vector<Entry> entries(Kind kind) const;
    void write(Kind kind, std::u16string_view name, View blob) const;
    void erase(Kind kind, std::u16string_view name) const;

private:
    std::u16string folderOf(Kind kind) const;

    HKEY m_root;
    std::u16string m_path;
};

// The stores every system has, whether or not anything was ever put there.
bool isPredefinedSystemStore(std::u16string_view name);

}  // namespace platform::crypt::store
