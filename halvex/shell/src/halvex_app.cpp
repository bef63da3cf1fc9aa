#include "halvex_app.h"

#include <chrono>
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
#include "working_files.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "win32/com.h"
#include "win32/datetime.h"
#include "win32/dialogs.h"
#include "win32/process.h"
#include "win32/ui.h"

namespace halvex {
namespace {

namespace fs = std::filesystem;
using platform::text::fromUtf8;

constexpr char16_t kProgramKey[] = u"SOFTWARE\\Tesk\\Halvex";
constexpr UINT kOleFailed = 100;

std::u16string WithSlash(const fs::path& folder) { return platform::paths::toWide(folder) + u"/"; }

// The current local date or time in the system locale's form.
std::u16string LocalStamp(bool date, const char16_t* picture) {
    char16_t text[64] = {};
    const int written = date ? GetDateFormatW(LOCALE_SYSTEM_DEFAULT, 0, nullptr, picture, text, 64)
                             : GetTimeFormatW(LOCALE_SYSTEM_DEFAULT, 0, nullptr, picture, text, 64);
    return written > 0 ? std::u16string(text) : std::u16string();
}

std::u16string Number(unsigned long long value) { return fromUtf8(std::to_string(value)); }

// The processors as the system's variables name them; empty while a
// variable is missing (its "%" stays).
std::u16string ProcessorText() {
    constexpr char16_t kPattern[] = u"CPU: %NUMBER_OF_PROCESSORS%x %PROCESSOR_IDENTIFIER%";
    const DWORD size = ExpandEnvironmentStringsW(kPattern, nullptr, 0);
    if (size == 0) return {};
    std::u16string text(size, u'\0');
    if (ExpandEnvironmentStringsW(kPattern, text.data(), size) != size) return {};
    text.resize(size - 1);
    return text.find(u'%') == std::u16string::npos ? text : std::u16string();
}

// "OS: major minor platform service-pack Windows-folder; IE: ...; CPU: ...;
// RAM: MiB; Screen: WxHxBPP".
std::u16string SystemText() {
    OSVERSIONINFOW os{};
    os.dwOSVersionInfoSize = sizeof os;
    GetVersionExW(&os);
    char16_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    MEMORYSTATUSEX memory{};
    memory.dwLength = sizeof memory;
    GlobalMemoryStatusEx(&memory);
    DEVMODEW display{};
    display.dmSize = sizeof display;
    EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &display);
    return u"OS: " + Number(os.dwMajorVersion) + u" " + Number(os.dwMinorVersion) + u" " + Number(os.dwPlatformId) +
           u" " + os.szCSDVersion + u" " + windows + u"; IE: " +
           ReadMachineString(u"SOFTWARE\\Microsoft\\Internet Explorer", u"Version") + u"; " + ProcessorText() +
           u"; RAM: " + Number(memory.ullTotalPhys >> 20) + u"; Screen: " + Number(display.dmPelsWidth) + u"x" +
           Number(display.dmPelsHeight) + u"x" + Number(display.dmBitsPerPel);
}

void LogStartupInfo(const std::u16string& commandLine) {
    TLog& log = TLogFile::GetInstance();
    log.Write(std::u16string(64, u'-'));
    log.Write(u"App v" + GetFileVersionString(u"ProductVersion") + u" file v" + GetFileVersionString(u"FileVersion") +
              u" $Date: 2013/05/24 20:20:00 $ $Revision: 1.5 $ $Name: V1303 $" + u" started on " +
              LocalStamp(true, u"dd.MM.yyyy") + u" " + LocalStamp(false, u"HH:mm") + u", now " +
              Number(static_cast<unsigned long long>(std::time(nullptr))));
    std::error_code error;
    log.Write(u"command line: '" + commandLine + u"'; current directory: " +
              platform::paths::toWide(fs::current_path(error)));
    log.Write(SystemText());
}

// The log file: "$APPDATA/Tesk/halvex.log" (a folder for its owner alone)
// unless the machine's settings name another file (an empty name turns the
// log off); detail entries unless "LogLevel" is 0. A file grown past its limit is trimmed.
void MyInitApp(const std::u16string& commandLine) {
    std::u16string path;
    if (const fs::path folder = TeskDataFolder(); !folder.empty()) path = platform::paths::toWide(folder / "halvex.log");
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
    const fs::path file = platform::paths::fromWindows(name);
    if (fs::exists(current / file, error)) return WithSlash(current);
    const fs::path program = platform::paths::fromWindows(GetProgramFolder());
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
