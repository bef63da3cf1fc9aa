// The merge of the server's list with the installed program folder and the
// system folder.
#include <algorithm>
#include <iterator>

#include "lumvar/inventory.h"
#include "lumvar/log_writer.h"
#include "lumvar/result_codes.h"
#include "win32/error_codes.h"
#include "win32/files.h"
#include "win32/shell.h"

namespace lumvar {
namespace {

using log::Level;

// The two system-folder locations sort and pair as one.
int locationClass(std::int32_t location) { return location == SystemFolderCom ? SystemFolder : location; }

template <class Record>
bool samePlace(const Record& a, const Record& b) {
    return locationClass(a.location) == locationClass(b.location) && a.path == b.path;
}

template <class Record>
void sortByPlace(std::vector<Record>& records) {
    std::sort(records.begin(), records.end(), [](const Record& a, const Record& b) {
        const int la = locationClass(a.location);
        const int lb = locationClass(b.location);
        return la != lb ? la < lb : a.path < b.path;
    });
}

bool isBelow(const std::u16string& path, const std::u16string& folderWithSeparator) {
    return path.compare(0, folderWithSeparator.size(), folderWithSeparator) == 0;
}

// Everything of the same location at or below a folder marked "don't
// touch" leaves the list, the marked folder too. Paths are compared by
// whole parts: "lib" covers "lib\x" but not "library".
void pruneDontTouch(UpdateList& list) {
    std::vector<DirRecord> marked;
    std::copy_if(list.dirs.begin(), list.dirs.end(), std::back_inserter(marked),
                 [](const DirRecord& d) { return d.state == StateDontTouch; });
    for (const DirRecord& folder : marked) {
        const std::u16string prefix = folder.path + u'\\';
        std::erase_if(list.dirs, [&](const DirRecord& d) {
            return d.location == folder.location && isBelow(d.path + u'\\', prefix);
        });
        std::erase_if(list.files, [&](const FileRecord& f) {
            return f.location == folder.location && isBelow(f.path, prefix);
        });
    }
}

bool existsInSystemFolder(const std::u16string& systemFolder, const std::u16string& path) {
    return GetFileAttributesW((systemFolder + u'\\' + path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Groups of records at the same place, in sorted order.
template <class Record, class Visit>
int forEachPlace(const std::vector<Record>& sorted, Visit visit) {
    for (auto begin = sorted.begin(); begin != sorted.end();) {
        auto end = std::find_if(begin, sorted.end(), [&](const Record& r) { return !samePlace(*begin, r); });
        if (const int result = visit(begin, end); result != kOk) return result;
        begin = end;
    }
    return kOk;
}

template <class Iterator>
Iterator findState(Iterator begin, Iterator end, std::int32_t state) {
    return std::find_if(begin, end, [&](const auto& r) { return r.state == state; });
}

std::vector<DirRecord> mergeDirs(const std::vector<DirRecord>& sorted, const std::u16string& systemFolder) {
    std::vector<DirRecord> merged;
    forEachPlace(sorted, [&](auto begin, auto end) {
        const auto server = findState(begin, end, StateNew);
        if (server != end && findState(begin, end, StateRemove) != end) {
            DirRecord kept = *server;
            kept.state = StateKeep;
            merged.push_back(kept);
            return kOk;
        }
        for (auto it = begin; it != end; ++it) {
            DirRecord record = *it;
            if (std::distance(begin, end) == 1 && record.location != ProgramFolder &&
                existsInSystemFolder(systemFolder, record.path))
                record.state = StateKeep;
            merged.push_back(record);
        }
        return kOk;
    });
    return merged;
}

// Keep when the file at installed has the server's digest, else replace.
int compareWithServer(FileRecord& server, const std::u16string& installed) {
    Sha1Hash digest;
    if (const int result = digest.calcFromFile(installed); result != kOk) return result;
    server.state = digest == server.digest ? StateKeep : StateReplace;
    return kOk;
}

int mergeFiles(const std::vector<FileRecord>& sorted, const Config& config, const std::u16string& systemFolder,
               std::vector<FileRecord>& merged) {
    return forEachPlace(sorted, [&](auto begin, auto end) {
        const bool pair = std::distance(begin, end) > 1;
        if (pair && findState(begin, end, StateDontTouch) != end) return kOk;
        const auto server = findState(begin, end, StateNew);
        const auto installed = findState(begin, end, StateRemove);
        if (server != end && installed != end) {
            FileRecord record = *server;
            if (const int result = compareWithServer(record, config.getProgramPath() + installed->path); result != kOk)
                return result;
            merged.push_back(record);
            return kOk;
        }
        for (auto it = begin; it != end; ++it) {
            FileRecord record = *it;
            if (!pair && record.state == StateNew && record.location != ProgramFolder &&
                existsInSystemFolder(systemFolder, record.path)) {
                if (const int result = compareWithServer(record, systemFolder + u'\\' + record.path); result != kOk)
                    return result;
            }
            merged.push_back(record);
        }
        return kOk;
    });
}

}  // namespace

int GenerateUpdateList(const Config& config, const UpdateList* server, UpdateList& out) {
    if (!server) {
        log::write(Level::Error, u"GenerateUpdateFileList: Před použitím nebyl nastaven filelist serveru.");
        return kNullArgument;
    }
    UpdateList list = *server;
    if (const int result = GenerateUpdateFileList(config.getProgramPath(), u"", list); result != kOk) return result;
    sortByPlace(list.files);
    sortByPlace(list.dirs);

    WCHAR systemFolder[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_SYSTEM, nullptr, SHGFP_TYPE_CURRENT, systemFolder) != S_OK) {
        log::write(Level::Error, u"GenerateUpdateList: Nepodařilo se zjistit umístění systémové složky v OS.");
        return kSystemFolder;
    }

    pruneDontTouch(list);
    UpdateList merged;
    merged.dirs = mergeDirs(list.dirs, systemFolder);
    if (const int result = mergeFiles(list.files, config, systemFolder, merged.files); result != kOk) return result;
    out = std::move(merged);
    return kOk;
}

}  // namespace lumvar
