// A platform root in which the program starts: the real enrolment library
// and signing component registered, the component's plug-in and signed
// configuration in the configuration folder (the current directory), the
// log file named in the machine's settings, the script backend.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/text.h"
#include "platform/ui.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "testkit/trusted_list.h"
#include "win32/registry.h"

namespace shell_fixture {

namespace fs = std::filesystem;

inline constexpr char kEnrolmentClass[] = "{D848A3BC-5B32-43E2-B362-BA816EA3CFCF}";
inline constexpr char16_t kSignerProgId[] = u"Mirelo.SignerKyd.1";

inline void setDefault(HKEY root, const std::u16string& key, const std::u16string& name,
                       const std::u16string& value) {
    HKEY opened = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened,
                                             nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExW(opened, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(char16_t))));
    RegCloseKey(opened);
}

inline std::u16string readDefault(HKEY root, const std::u16string& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return {};
    char16_t buffer[512] = {};
    DWORD size = sizeof buffer - sizeof(char16_t);
    RegQueryValueExW(opened, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(opened);
    return buffer;
}

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("PLATFORM_UI", "script", 1);
        setenv("PLATFORM_MODULE_PATH", TESK_RICHED32_DIR, 1);
        unsetenv("HALVEX_STAND_IN");
        platform::ui::script::clear();
        m_previous = fs::current_path();
        fs::create_directories(config / "libs" / "dll_conf");
        fs::current_path(config);
        fs::copy_file(TESK_TEXT_PLUGIN, config / "libs" / "dll_conf" / "TeskTxtPluginKyd.so");
        testkit::writeFile(config / "libs" / "dll_conf" / "mirelo.signed.cfg",
                           testkit::trusted_list::signedConfiguration(
                               "[Providers]\nProvidersCount=1\nProvider0Name=KavloCSP\n"));
        registerServer(TESK_PENTAK_MODULE);
        registerServer(TESK_MIRELO_MODULE);
        setDefault(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tesk\\Halvex", u"LogFile",
                   platform::text::fromUtf8(logFile.string()));
    }
    void TearDown() override {
        fs::current_path(m_previous);
        unsetenv("HALVEX_STAND_IN");
    }

    void registerServer(const char* module, bool unregister = false) {
        testkit::RunOptions options;
        options.env["PLATFORM_UI"] = "script";
        std::vector<std::string> command = {TESK_REGSVR32, "/s"};
        if (unregister) command.push_back("/u");
        command.push_back(module);
        const auto result = testkit::run(command, options);
        ASSERT_EQ(0, result.exitCode) << result.err;
    }

    // The class's in-process server becomes the stand-in module.
    static void serveByStandIn(const std::u16string& classText) {
        setDefault(HKEY_CLASSES_ROOT, u"CLSID\\" + classText + u"\\InprocServer32", u"",
                   platform::text::fromUtf8(HALVEX_STAND_IN_MODULE));
    }

    std::string log() const { return root.read("halvex.log"); }

    testkit::PlatformRoot root;
    fs::path config = root.path() / "config";
    fs::path logFile = root.path() / "halvex.log";

private:
    fs::path m_previous;
};

}  // namespace shell_fixture
