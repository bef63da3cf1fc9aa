// The update folder of the download area.
#include "download_area.h"

#include "fresh_folder.h"
#include "lumvar/log_writer.h"
#include "lumvar/relative_path.h"
#include "lumvar/result_codes.h"
#include "platform/text.h"
#include "win32/crt_files.h"

namespace lumvar {
namespace {

using log::Level;

bool fetched(std::int32_t state) { return state == StateNew || state == StateReplace; }

}  // namespace

DownloadArea::DownloadArea(const Config& config, const char16_t* caller)
    : m_update(config.getDownloadPath() + u"update"), m_caller(caller) {}

int DownloadArea::fail(const char16_t* format, const std::u16string& path) {
    const std::u16string message = std::u16string(m_caller) + u": " + format;
    log::write(Level::Error, message.c_str(), path.c_str());
    return kDownload;
}

int DownloadArea::prepare() {
    switch (MakeFreshFolder(m_update)) {
    case FreshFolder::NotRemoved: return fail(u"Nepodařilo se smazat složku update");
    case FreshFolder::NotMade: return fail(u"Nepodařilo se vytvořit složku update");
    case FreshFolder::Made: break;
    }
    if (!MakeFolder(m_update + u"\\_LUMVAR_SYSTEM") || !MakeFolder(m_update + u"\\_LUMVAR_SYSTEM_COM"))
        return fail(u"Nepodařilo se vytvořit složku update\\_LUMVAR_SYSTEM");
    FILE* list = nullptr;
    if (_wfopen_s(&list, (m_update + u"\\._LUMVAR_delete").c_str(), u"wb") != 0)
        return fail(u"Nepodařilo se vytvořit soubor update\\._LUMVAR_delete");
    m_deleteList.reset(list);
    return kOk;
}

int DownloadArea::writeListLine(const std::u16string& line) {
    const std::string bytes = platform::text::toUtf8(line) + "\n";
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_deleteList.get()) != bytes.size())
        return fail(u"Nepodařilo se zapsat do souboru %ls", m_update + u"\\._LUMVAR_delete");
    return kOk;
}

int DownloadArea::sortFiles(const std::vector<FileRecord>& files, std::vector<DownloadItem>* items) {
    for (const FileRecord& file : files) {
        // Refused before anything is fetched: Tornil would write or delete outside its folder.
        if ((fetched(file.state) || file.state == StateRemove) && !staysInside(file.path))
            return fail(u"Nepodařilo se vytvořit soubor %ls", file.path);
        if (fetched(file.state)) {
            items->push_back(DownloadItem{file, {}});
        } else if (file.state == StateRemove && file.location == ProgramFolder) {
            if (const int result = writeListLine(file.path); result != kOk) return result;
        }
    }
    return writeListLine(u"");
}

bool DownloadArea::placeFor(std::int32_t location, const std::u16string& relative, std::u16string* out) {
    if (!staysInside(relative)) return false;
    *out = m_update + u"\\";
    if (location == SystemFolder) *out += u"_LUMVAR_SYSTEM\\";
    if (location == SystemFolderCom) *out += u"_LUMVAR_SYSTEM_COM\\";
    *out += relative;
    return true;
}

int DownloadArea::writeFolders(const std::vector<DirRecord>& dirs) {
    for (const DirRecord& dir : dirs) {
        if (dir.state == StateNew || dir.state == StateKeep) {
            std::u16string folder;
            if (!placeFor(dir.location, dir.path, &folder) || !MakeFolder(folder))
                return fail(u"Nepodařilo se vytvořit složku %ls", dir.path);
        } else if (dir.state == StateRemove && dir.location == ProgramFolder) {
            if (!staysInside(dir.path)) return fail(u"Nepodařilo se vytvořit složku %ls", dir.path);
            if (const int result = writeListLine(dir.path); result != kOk) return result;
        }
    }
    if (std::fclose(m_deleteList.release()) != 0)
        return fail(u"Nepodařilo se zapsat do souboru %ls", m_update + u"\\._LUMVAR_delete");
    return kOk;
}

int DownloadArea::store(const DownloadItem& item) {
    std::u16string target;
    if (!placeFor(item.record.location, item.record.path, &target)) return fail(u"Nepodařilo se vytvořit soubor %ls", item.record.path);
    const std::size_t folderEnd = target.find_last_of(u"\\/");
    FILE* file = nullptr;
    if (!MakeFolder(target.substr(0, folderEnd)) || _wfopen_s(&file, target.c_str(), u"wb") != 0)
        return fail(u"Nepodařilo se vytvořit soubor %ls", target);
    const bool written = std::fwrite(item.data.data(), 1, item.data.size(), file) == item.data.size();
    if (std::fclose(file) != 0 || !written) return fail(u"Nepodařilo se zapsat do souboru %ls", target);

    if (Sha1Hash::init() != kOk) return fail(u"Nepodařilo se inicializovat objekt pro kontrolni hash souboru %ls", target);
    Sha1Hash digest;
    const int hashed = digest.calcFromFile(target);
    Sha1Hash::close();
    if (hashed != kOk) return fail(u"Nepodařilo se spocitat kontrolni hash souboru %ls", target);
    if (digest != item.record.digest) return fail(u"Kontrolni hash souboru %ls neodpovida.", target);
    return kOk;
}

}  // namespace lumvar
