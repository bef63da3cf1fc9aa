// The walk of the installed program folder.
#include "lumvar/inventory.h"

#include "lumvar/log_writer.h"
#include "lumvar/result_codes.h"
#include "platform/owned.h"
#include "win32/error.h"
#include "win32/files.h"

namespace lumvar {
namespace {

using log::Level;

// Longest folder path walked, without the "*" of the search.
constexpr std::size_t kMaxFolderPath = 257;

}  // namespace

int GenerateUpdateFileList(const std::u16string& root, const std::u16string& relative, UpdateList& list) {
    const std::u16string folder = relative.empty() ? root : root + relative + u'\\';
    if (folder.size() > kMaxFolderPath) {
        log::write(Level::Error,
                   u"GenerateUpdateFileList: Cesta ke složce s aplikací přesahuje maximální povolenou délku cesty.");
        return kProgramPathTooLong;
    }
    WIN32_FIND_DATAW entry{};
    const HANDLE first = FindFirstFileW((folder + u"*").c_str(), &entry);
    if (first == INVALID_HANDLE_VALUE) {
        log::write(Level::Error, u"GenerateUpdateFileList: Udaná složka \"%ls\" neexistuje.", folder.c_str());
        return kProgramFolderMissing;
    }
    const platform::Owned<void, FindClose> find(first);
    do {
        const std::u16string name = entry.cFileName;
        if (name == u"." || name == u"..") continue;
        const std::u16string path = relative.empty() ? name : relative + u'\\' + name;
        // A link would bring what it leads to into the update's lists, and
        // the upgrade would delete or write there: the folder is refused.
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            log::write(Level::Error, u"GenerateUpdateFileList: Ve složce s aplikací je odkaz \"%ls\".", path.c_str());
            return kFolderWalk;
        }
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            log::write(Level::Debug, u"Adresar: %ls", path.c_str());
            list.dirs.push_back({ProgramFolder, path, StateRemove});
            if (const int result = GenerateUpdateFileList(root, path, list); result != kOk) return result;
        } else {
            log::write(Level::Debug, u"Soubor: %ls", path.c_str());
            list.files.push_back({ProgramFolder, path, Sha1Hash(), StateRemove, 0});
        }
    } while (FindNextFileW(find.get(), &entry));
    if (const DWORD error = GetLastError(); error != ERROR_NO_MORE_FILES) {
        log::write(Level::Error,
                   u"GenerateFileList: Při procházení složky s aplikací došlo k chybě systému číslo %d.",
                   static_cast<int>(error));
        return kFolderWalk;
    }
    return kOk;
}

}  // namespace lumvar
