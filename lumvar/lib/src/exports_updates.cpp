// The update road: the check against the server, the downloads and the
// hand-over to the upgrade process.
#include <libxml/parser.h>

#include <algorithm>

#include "library_state.h"
#include "lumvar/download_updates.h"
#include "lumvar/handover.h"
#include "lumvar/inventory.h"
#include "upgrade_image.h"

using namespace lumvar;
using namespace lumvar::library;

namespace {

// 1 when the server's version is higher, comparing part by part with a
// missing part counting as 0.
std::int32_t isNewer(const std::vector<std::uint32_t>& server, const std::vector<std::uint32_t>& installed) {
    for (std::size_t i = 0; i < std::max(server.size(), installed.size()); ++i) {
        const std::uint32_t offered = i < server.size() ? server[i] : 0;
        const std::uint32_t have = i < installed.size() ? installed[i] : 0;
        if (offered != have) return offered > have ? 1 : 0;
    }
    return 0;
}

std::int32_t checkUpdates(UpdateList* updateList, std::vector<std::uint32_t>* serverVersion,
                          std::int32_t* needToUpdate) {
    if (const std::int32_t rc = requireConfiguration(u"LUMVAR_CheckUpdates")) return rc;
    if (!updateList) return fail(kNullArgument, u"LUMVAR_CheckUpdates: parametr pUpdateFl nesmi byt NULL.");
    if (!serverVersion) return fail(kNullArgument, u"LUMVAR_CheckUpdates: parametr pServerVersion nesmi byt NULL.");
    if (!needToUpdate) return fail(kNullArgument, u"LUMVAR_CheckUpdates: parametr pNeedToUpdate nesmi byt NULL.");
    // libxml2 stays initialised: other modules of the process may use it too.
    xmlInitParser();
    const Config& config = state().config;
    UpdateList serverList;
    if (const std::int32_t rc = GetFileList(config, progressFor(1, nullptr), &serverList, serverVersion)) return rc;
    if (const std::int32_t rc = GenerateUpdateList(config, &serverList, *updateList)) return rc;
    *needToUpdate = isNewer(*serverVersion, *config.getVersion());
    return kOk;
}

std::int32_t downloadUpdates(const UpdateList* updateList) {
    if (const std::int32_t rc = requireConfiguration(u"LUMVAR_DownloadUpdate")) return rc;
    if (!updateList)
        return fail(kNullArgument, u"LUMVAR_DownloadUpdates: Parametr pUpdateFileList nesmí být NULL");
    xmlInitParser();
    return DownloadUpdates(state().config, progressFor(3, nullptr), *updateList);
}

std::int32_t downloadUpdatesSingly(const UpdateList* updateList, std::int32_t zipEach) {
    if (const std::int32_t rc = requireConfiguration(u"LUMVAR_DownloadUpdateSingly")) return rc;
    if (!updateList)
        return fail(kNullArgument, u"LUMVAR_DownloadUpdatesSingly: Parametr pUpdateFileList nesmí být NULL");
    xmlInitParser();
    std::u16string current;
    return DownloadUpdatesSingly(
        state().config, progressFor(2, &current), [&current](const std::u16string& path) { current = path; },
        *updateList, zipEach);
}

}  // namespace

extern "C" {

std::int32_t LUMVAR_CheckUpdates(UpdateList* updateList, std::vector<std::uint32_t>* serverVersion,
                                 std::int32_t* needToUpdate) {
    return guarded(u"LUMVAR_CheckUpdates", [&] { return checkUpdates(updateList, serverVersion, needToUpdate); });
}

std::int32_t LUMVAR_CheckUpdates_C(std::uint32_t* remoteVersion, std::int32_t* needToUpdate) {
    return guarded(u"LUMVAR_CheckUpdates_C", [&] {
        if (const std::int32_t rc = requireConfiguration(u"LUMVAR_CheckUpdates_C")) return rc;
        if (!remoteVersion)
            return fail(kNullArgument, u"LUMVAR_CheckUpdates_C: parametr pRemoteVersion nesmi byt NULL.");
        if (!needToUpdate)
            return fail(kNullArgument, u"LUMVAR_CheckUpdates_C: parametr pNeedToUpdate nesmi byt NULL.");
        std::vector<std::uint32_t> version;
        const std::int32_t rc = checkUpdates(&state().ownList, &version, needToUpdate);
        for (std::size_t i = 0; i < 4; ++i) remoteVersion[i] = i < version.size() ? version[i] : 0;
        return rc;
    });
}

std::int32_t LUMVAR_DownloadUpdates(const UpdateList* updateList) {
    return guarded(u"LUMVAR_DownloadUpdates", [&] { return downloadUpdates(updateList); });
}

std::int32_t LUMVAR_DownloadUpdates_C() {
    return guarded(u"LUMVAR_DownloadUpdates_C", [] { return downloadUpdates(&state().ownList); });
}

std::int32_t LUMVAR_DownloadUpdatesSingly(const UpdateList* updateList, std::int32_t zipEach) {
    return guarded(u"LUMVAR_DownloadUpdatesSingly", [&] { return downloadUpdatesSingly(updateList, zipEach); });
}

std::int32_t LUMVAR_DownloadUpdatesSingly_C(std::int32_t zipEach) {
    return guarded(u"LUMVAR_DownloadUpdatesSingly_C",
                   [&] { return downloadUpdatesSingly(&state().ownList, zipEach); });
}

std::int32_t LUMVAR_DoUpdate() {
    return guarded(u"LUMVAR_DoUpdate", [] {
        if (const std::int32_t rc = requireConfiguration(u"LUMVAR_DoUpdate")) return rc;
        const std::optional<std::string_view> image = UpgradeImage();
        if (!image) return kHandOverFiles;
        return DoUpdate(state().config, *image);
    });
}

}  // extern "C"
