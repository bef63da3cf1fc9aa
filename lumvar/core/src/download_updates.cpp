// The two downloads into the update folder.
#include "lumvar/download_updates.h"

#include "download_area.h"
#include "lumvar/result_codes.h"

namespace lumvar {

int DownloadUpdates(const Config& config, const ReplyProgress& progress, const UpdateList& list) {
    DownloadArea area(config, u"LUMVAR_DownloadUpdates");
    std::vector<DownloadItem> items;
    if (int result = area.prepare(); result != kOk) return result;
    if (int result = area.sortFiles(list.files, &items); result != kOk) return result;
    if (!items.empty()) {
        if (int result = GetZipFile(config, progress, &items); result != kOk) return result;
    }
    if (int result = area.writeFolders(list.dirs); result != kOk) return result;
    for (const DownloadItem& item : items) {
        if (int result = area.store(item); result != kOk) return result;
    }
    return kOk;
}

int DownloadUpdatesSingly(const Config& config, const ReplyProgress& progress, const CurrentFile& currentFile,
                          const UpdateList& list, int zipEach) {
    DownloadArea area(config, u"LUMVAR_DownloadUpdatesSingly");
    std::vector<DownloadItem> items;
    if (int result = area.prepare(); result != kOk) return result;
    if (int result = area.sortFiles(list.files, &items); result != kOk) return result;
    if (int result = area.writeFolders(list.dirs); result != kOk) return result;
    for (DownloadItem& item : items) {
        if (currentFile) currentFile(item.record.path);
        if (zipEach == 1) {
            std::vector<DownloadItem> single{item};
            if (int result = GetZipFile(config, progress, &single); result != kOk) return result;
            item.data = std::move(single[0].data);
        } else if (int result = GetFile(config, progress, &item); result != kOk) {
            return result;
        }
        if (int result = area.store(item); result != kOk) return result;
    }
    return kOk;
}

}  // namespace lumvar
