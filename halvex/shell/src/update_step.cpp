#include "update_step.h"

#include "halvex/files_and_paths.h"
#include "halvex/log.h"
#include "halvex/messages.h"
#include "halvex/profile.h"
#include "halvex/resource_strings.h"
#include "halvex/text_utils.h"
#include "halvex/version_info.h"
#include "platform/ansi_name.h"
#include "platform/text.h"
#include "platform/win_error.h"
#include "update_download.h"
#include "upgrade_info_dialog.h"
#include "wait_dialog.h"
#include "win32/files.h"
#include "win32/shell.h"
#include "win32/ui.h"

namespace halvex {
namespace {

using platform::text::toUtf8;

constexpr UINT kCheckingText = 33205;
constexpr UINT kUpdateQuestion = 33206;

void Require(std::int32_t result) {
    if (result != 0) throw UpdaterFailure{result};
}

// Makes the folder; one that is there already counts, a file of its name
// does not.
bool MakeFolder(const std::u16string& folder) {
    if (CreateDirectoryW(folder.c_str(), nullptr)) return true;
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool EndsWith(const std::u16string& text, std::u16string_view end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::u16string LocalDataFolder() {
    WCHAR path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, path, CSIDL_LOCAL_APPDATA, TRUE)) return {};
    const std::u16string folder = std::u16string(path) + u"/Halvex/";
    return MakeFolder(folder) ? folder : std::u16string();
}

}  // namespace

UpdateIdentity ReadUpdateIdentity() {
    UpdateIdentity identity;
    identity.description = GetFileVersionString(u"FileDescription");
    identity.fileVersion = GetFileVersionString(u"FileVersion");
    identity.programFolder = GetProgramFolder() + u"/";
    identity.userDataFolder = LocalDataFolder();
    identity.environment = GetProfileInt(kWorkspaceSection, u"AppEnvironment", kEnvironmentProduction);
    return identity;
}

std::int32_t UpdateLanguage(const std::u16string& description) {
    if (EndsWith(description, u"cz")) return lumvar::Czech;
    if (EndsWith(description, u"sk")) return lumvar::Slovak;
    return lumvar::English;
}

std::string UpdateServerAddress(DWORD environment) {
    switch (environment) {
        case kEnvironmentDevelopment:
            return "https://aktualizace-dev.tesk.cz/cgi-bin/upgradeapp.cgi";
        case kEnvironmentTest:
            return "https://aktualizace-test.tesk.cz/cgi-bin/upgradeapp.cgi";
        case kEnvironmentProduction:
            return "https://aktualizace.tesk.cz/cgi-bin/upgradeapp.cgi";
        default:
            return {};
    }
}

bool ConfigureUpdater(UpdateContext& context, const UpdaterCalls& calls, const UpdateIdentity& identity) {
    Require(calls.setLogLevel(1));
    if (identity.userDataFolder.empty()) return false;
    const std::u16string downloadFolder = identity.userDataFolder + u"UpdateDownload/";
    if (!MakeFolder(downloadFolder)) return false;
    // The client takes the schemas' folder as ANSI text: a program folder
    // the page cannot hold leaves the step out rather than name another.
    std::string relaxNgFolder;
    try {
        relaxNgFolder = platform::paths::toAnsiName(identity.programFolder + u"RelaxNG");
    } catch (const platform::WinError&) {
        TLogFile::GetInstance().Print(u"ConfigureUpdater(): program folder not in the ANSI code page: %s",
                                      identity.programFolder.c_str());
        return false;
    }
    const std::string distribution = toUtf8(identity.description);
    const std::string address = UpdateServerAddress(identity.environment);

    lumvar::Config config;
    config.setAddress(address);
    config.setAgentName(u"LUMVAR");
    config.setClientApp("Tesk Halvex");
    config.setDistroID(distribution);
    config.setProgramPath(identity.programFolder);
    config.setDownloadPath(downloadFolder);
    config.setDllPath(identity.programFolder);
    config.setRelaxNGPath(relaxNgFolder);
    config.setLang(UpdateLanguage(identity.description));
    TLogFile::GetInstance().PrintIfOn(
        u"Update settings:\n\t\t Address = %s\n\t\t AgentName = LUMVAR\n\t\t ClientApp = Tesk Halvex\n\t\t "
        u"DistroID = %s\n\t\t ProgramPath = %s\n\t\t DownlaodPath = %s\n\t\t DllPath = %s\n\t\t relaxNHPath = %s",
        platform::text::fromUtf8(address).c_str(), identity.description.c_str(), identity.programFolder.c_str(),
        downloadFolder.c_str(), identity.programFolder.c_str(), platform::text::toWide(relaxNgFolder).c_str());
    const VersionNumbers version = ParseVersion(identity.fileVersion);
    config.setVersion({version.part[0], version.part[1], version.part[2], version.part[3]});

    Require(calls.loadConfiguration(config));
    Require(calls.init());
    context.initialised = true;
    Require(calls.setCallback(UpdateProgressCallback));
    return true;
}

bool QueryUpdates(UpdateContext& context, const UpdaterCalls& calls) {
    std::int32_t available = 0;
    std::int32_t result = 0;
    {
        WaitDialog wait(kCheckingText);
        result = calls.checkUpdates(&context.updateList, &context.serverVersion, &available);
    }
    Require(result);
    return available != 0;
}

bool CheckForUpdates(UpdateContext& context, const UpdaterCalls& calls, const UpdateIdentity& identity) {
    try {
        if (!ConfigureUpdater(context, calls, identity)) return false;
        if (QueryUpdates(context, calls)) {
            if (AppMessageBox(LoadResString(kUpdateQuestion), MB_YESNO | MB_ICONQUESTION) == IDYES) {
                RunUpdateDownload(context, calls, identity.mainWindow);
                TLogFile::GetInstance().Print(u"CheckForUpdates(): update outcome %d", context.outcome);
            } else {
                TLogFile::GetInstance().Print(u"CheckForUpdates(): update declined");
            }
        }
    } catch (const UpdaterFailure& failure) {
        TLogFile::GetInstance().Print(u"CheckForUpdates(): upgrade client error %d", failure.code);
    }
    ShowUpgradeInfo(identity.programFolder, identity.fileVersion);
    return true;
}

void ReleaseUpdater(UpdateContext& context, const UpdaterCalls& calls) {
    if (context.initialised) calls.close();
    context = UpdateContext{};
}

bool RunUpdateStep(const UpdaterCalls& calls, HWND mainWindow) {
    UpdateContext context;
    UpdateIdentity identity = ReadUpdateIdentity();
    identity.mainWindow = mainWindow;
    CheckForUpdates(context, calls, identity);
    const bool handedOver = context.outcome == kUpdaterStarted;
    ReleaseUpdater(context, calls);
    return handedOver;
}

}  // namespace halvex
