#include "halvex_app.h"

#include <sys/utsname.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "environment.h"
#include "halvex/app_data.h"
#include "halvex/files_and_paths.h"
#include "halvex/log.h"
#include "halvex/messages.h"
#include "halvex/profile.h"
#include "halvex/resource_strings.h"
#include "halvex/version_info.h"
#include "machine_values.h"
#include "main_frame.h"
#include "update_step.h"
#include "platform/text.h"
#include "win32/com.h"
#include "win32/ui.h"

namespace halvex {
namespace {

namespace fs = std::filesystem;
using platform::text::fromUtf8;

constexpr char16_t kProgramKey[] = u"SOFTWARE\\Tesk\\Halvex";
constexpr UINT kOleFailed = 100;

std::u16string WithSlash(const fs::path& folder) { return fromUtf8(folder.string()) + u"/"; }

std::u16string LocalStamp(const char* format) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64] = {};
    std::strftime(text, sizeof text, format, &local);
    return fromUtf8(text);
}

void LogStartupInfo(const std::u16string& commandLine) {
    TLog& log = TLogFile::GetInstance();
    log.Write(std::u16string(64, u'-'));
    const std::u16string now = fromUtf8(std::to_string(static_cast<long long>(std::time(nullptr))));
    log.Write(u"App v" + GetFileVersionString(u"ProductVersion") + u" file v" + GetFileVersionString(u"FileVersion") +
              u" started on " + LocalStamp("%d.%m.%Y %H:%M") + u", now " + now);
    std::error_code error;
    log.Write(u"command line: '" + commandLine + u"'; current directory: " +
              fromUtf8(fs::current_path(error).string()));
    utsname system{};
    uname(&system);
    log.Write(u"OS: " + fromUtf8(system.sysname) + u" " + fromUtf8(system.release) + u" " +
              fromUtf8(system.machine) + u"; IE: " +
              ReadMachineString(u"SOFTWARE\\Microsoft\\Internet Explorer", u"Version"));
}

// The log file: "$APPDATA/Tesk/halvex.log" unless the machine's settings
// name another file (an empty name turns the log off); detail entries
// unless "LogLevel" is 0. A file grown past its limit is trimmed.
void MyInitApp(const std::u16string& commandLine) {
    std::u16string path;
    if (const char* appData = std::getenv("APPDATA"); appData && *appData) {
        const fs::path folder = fs::path(appData) / "Tesk";
        std::error_code error;
        fs::create_directories(folder, error);
        path = fromUtf8((folder / "halvex.log").string());
    }
    if (const auto named = ReadMachineStringIfPresent(kProgramKey, u"LogFile")) path = *named;
    const DWORD level = ReadMachineDword(kProgramKey, u"LogLevel").value_or(1);
    TLogFile& log = TLogFile::GetInstance();
    log.SetPath(path);
    log.Init(!path.empty(), level != 0);
    log.Trim();
    LogStartupInfo(commandLine);
    log.Print(u"CHalvexApp::MyInitApp(): done");
}

void ExitInstance() {
    TLogFile& log = TLogFile::GetInstance();
    log.Print(u"aplikace ukončena");
    log.Init(false, false);
}

}  // namespace

std::u16string FindConfigFile(const std::u16string& name) {
    std::error_code error;
    const fs::path current = fs::current_path(error);
    const fs::path file = platform::text::toUtf8(name);
    if (fs::exists(current / file, error)) return WithSlash(current);
    const fs::path program = platform::text::toUtf8(GetProgramFolder());
    if (!program.empty() && fs::exists(program / file, error)) return WithSlash(program);
    return WithSlash(current);
}

std::u16string ApplyProfileEnvironment() {
    InitAppVersion();
    InitAppEnvironment();
    const Environment environment =
        EnvironmentOf(GetProfileInt(kWorkspaceSection, u"AppEnvironment", kEnvironmentProduction));
    TAppData::Instance().SetServerUrl(environment.serverUrl);
    return MainTitle(GetFileVersionString(u"FileVersion"), environment);
}

int RunHalvex(const std::u16string& commandLine) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        AppMessageBox(LoadResString(kOleFailed), MB_OK);
        return 1;
    }
    TAppData::Instance().SetConfigurationFolder(FindConfigFile(u"Halvex.xml"));
    MyInitApp(commandLine);
    const std::u16string title = ApplyProfileEnvironment();
    bool started = false;
    {
        MainFrame frame(title);
        // Once the updater has taken over, it waits for this process to end
        // before it replaces the files: the program closes at once instead
        // of starting, where a window of its own could hold it up.
        if (RunUpdateStep(LinkedUpdater(), frame.Window())) {
            TLogFile::GetInstance().Print(u"the updater has taken over");
            started = true;
        } else {
            started = frame.OnInitApp(commandLine);
            if (started) frame.RunMessageLoop();
        }
        frame.OnClose();
    }
    ExitInstance();
    CoUninitialize();
    return started ? 0 : 1;
}

}  // namespace halvex
