// regsvr32: registers or unregisters in-process COM servers by calling
// their entry points.
//   regsvr32 [/u] [/s] [/n] [/i[:cmdline]] module...
//   /u  DllUnregisterServer instead of DllRegisterServer
//   /i  also DllInstall (TRUE, or FALSE with /u) with the command line;
//       with /u it runs before DllUnregisterServer, else after
//       DllRegisterServer
//   /n  no DllRegisterServer / DllUnregisterServer (only with /i)
//   /s  silent: no message boxes
// A switch starts with '/' or '-' (a path that starts with '/' and is more
// than two characters long is a module). Exit codes: 0 success, 1 bad arguments, 2 COM initialisation failed,
// 3 the module did not load, 4 an entry point is missing, 5 the entry point
// failed. Several modules are handled in turn; the first failure ends.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/text.h"
#include "win32/com.h"
#include "win32/error.h"
#include "win32/modules.h"
#include "win32/ui.h"

namespace {

using platform::text::fromUtf8;

enum Exit { kSuccess = 0, kBadArguments = 1, kInitFailed = 2, kLoadFailed = 3, kNoEntry = 4, kCallFailed = 5 };

struct Options {
    bool unregister = false;
    bool silent = false;
    bool noRegistration = false;
    bool install = false;
    std::u16string commandLine;
    std::vector<std::u16string> modules;
};

// Switches begin with '-', or with '/' when they are short ("/u", "/i:text"):
// a longer word after '/' is a path.
bool isSwitch(const std::string& arg) {
    return arg[0] == '-' || (arg[0] == '/' && (arg.size() == 2 || (arg.size() > 2 && arg[2] == ':')));
}

bool switchIs(const std::string& arg, char letter) {
    return arg.size() >= 2 && (arg[1] == letter || arg[1] == letter - 'a' + 'A');
}

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.empty()) return false;
        if (!isSwitch(arg)) {
            options.modules.push_back(fromUtf8(arg));
            continue;
        }
        if (switchIs(arg, 'u') && arg.size() == 2)
            options.unregister = true;
        else if (switchIs(arg, 's') && arg.size() == 2)
            options.silent = true;
        else if (switchIs(arg, 'n') && arg.size() == 2)
            options.noRegistration = true;
        else if (switchIs(arg, 'i') && (arg.size() == 2 || arg[2] == ':')) {
            options.install = true;
            if (arg.size() > 2) options.commandLine = fromUtf8(arg.substr(3));
        } else {
            return false;
        }
    }
    return !options.modules.empty() && (!options.noRegistration || options.install);
}

class Reporter {
public:
    explicit Reporter(bool silent) : m_silent(silent) {}
    void error(const std::u16string& text) const { show(text, MB_ICONERROR); }
    void success(const std::u16string& text) const { show(text, MB_ICONINFORMATION); }

private:
    void show(const std::u16string& text, UINT icon) const {
        if (!m_silent) MessageBoxW(nullptr, text.c_str(), u"RegSvr32", MB_OK | icon);
    }
    bool m_silent;
};

std::u16string hexCode(HRESULT hr) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08x", static_cast<unsigned>(hr));
    return fromUtf8(buffer);
}

// Calls one entry point; returns 0, kNoEntry or kCallFailed.
int call(HMODULE module, const std::u16string& name, const char* entry, const Options& options, bool installFlag,
         const Reporter& reporter) {
    const FARPROC found = GetProcAddress(module, entry);
    const std::u16string entryName = fromUtf8(entry);
    if (!found) {
        reporter.error(u"The module \"" + name + u"\" was loaded but the entry-point " + entryName +
                       u" was not found.");
        return kNoEntry;
    }
    HRESULT hr = S_OK;
    if (std::string(entry) == "DllInstall")
        hr = reinterpret_cast<DllInstallFn>(found)(installFlag ? TRUE : FALSE, options.commandLine.c_str());
    else
        hr = reinterpret_cast<DllRegisterServerFn>(found)();
    if (FAILED(hr)) {
        reporter.error(u"The module \"" + name + u"\" was loaded but the call to " + entryName +
                       u" failed with error code " + hexCode(hr) + u".");
        return kCallFailed;
    }
    reporter.success(entryName + u" in " + name + u" succeeded.");
    return kSuccess;
}

int handle(const std::u16string& name, const Options& options, const Reporter& reporter) {
    const HMODULE module = LoadLibraryExW(name.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) {
        reporter.error(u"The module \"" + name + u"\" failed to load.\n\nError " + hexCode(HRESULT_FROM_WIN32(GetLastError())));
        return kLoadFailed;
    }
    std::vector<std::pair<const char*, bool>> steps;
    const char* registration = options.unregister ? "DllUnregisterServer" : "DllRegisterServer";
    if (options.install && options.unregister) steps.emplace_back("DllInstall", false);
    if (!options.noRegistration) steps.emplace_back(registration, false);
    if (options.install && !options.unregister) steps.emplace_back("DllInstall", true);
    int result = kSuccess;
    for (const auto& [entry, installFlag] : steps) {
        result = call(module, name, entry, options, installFlag, reporter);
        if (result != kSuccess) break;
    }
    FreeLibrary(module);
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        Reporter(options.silent)
            .error(u"Usage: regsvr32 [/u] [/s] [/n] [/i[:cmdline]] dllname\n"
                   u"/u - Unregister server\n/s - Silent; display no message boxes\n"
                   u"/i - Call DllInstall passing it an optional [cmdline]; when it is used with /u, it calls dll "
                   u"uninstall\n/n - do not call DllRegisterServer; this option must be used with /i");
        return kBadArguments;
    }
    const Reporter reporter(options.silent);
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        reporter.error(u"CoInitialize failed.");
        return kInitFailed;
    }
    int result = kSuccess;
    for (const auto& name : options.modules) {
        result = handle(name, options, reporter);
        if (result != kSuccess) break;
    }
    CoUninitialize();
    return result;
}
