// A platform root in which the program starts: the real enrolment library
// and signing component registered, the component's plug-in and signed
// configuration in the configuration folder (the current directory), the
// log file named in the machine's settings, the script backend.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "halvex/app_data.h"
#include "halvex/files_and_paths.h"
#include "halvex/log.h"
#include "halvex_app.h"
#include "main_frame.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "testkit/qualified_renewal.h"
#include "win32/com.h"
#include "win32/registry.h"

namespace shell_fixture {

namespace fs = std::filesystem;

inline constexpr char kEnrolmentClass[] = "{D848A3BC-5B32-43E2-B362-BA816EA3CFCF}";
inline constexpr char16_t kEnrolmentClass16[] = u"{D848A3BC-5B32-43E2-B362-BA816EA3CFCF}";
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

// A desktop handler on PATH that writes each file it is given to a list;
// PATH is restored when it goes.
class RecordingOpener {
public:
    explicit RecordingOpener(const testkit::PlatformRoot& root)
        : m_root(root), m_list(root.path() / "opened.txt"), m_path(std::getenv("PATH") ? std::getenv("PATH") : "") {
        const fs::path opener =
            root.write("bin/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + m_list.string() + "'\n");
        fs::permissions(opener, fs::perms::owner_all);
        setenv("PATH", (opener.parent_path().string() + ":" + m_path).c_str(), 1);
    }
    ~RecordingOpener() { setenv("PATH", m_path.c_str(), 1); }
    RecordingOpener(const RecordingOpener&) = delete;
    RecordingOpener& operator=(const RecordingOpener&) = delete;

    // The file opened last once `count` files were opened (waits up to 5 s
    // for the handler); empty when another number was.
    fs::path opened(std::size_t count) const {
        std::vector<std::string> lines;
        for (int wait = 0; wait < 100; ++wait) {
            std::istringstream text(fs::exists(m_list) ? m_root.read("opened.txt") : "");
            lines.clear();
            for (std::string line; std::getline(text, line);) lines.push_back(line);
            if (lines.size() >= count) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return lines.size() == count ? fs::path(lines.back()) : fs::path();
    }

private:
    const testkit::PlatformRoot& m_root;
    fs::path m_list;
    std::string m_path;
};

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("PLATFORM_UI", "script", 1);
        setenv("PLATFORM_MODULE_PATH", TESK_RICHED32_DIR ":" TESK_HHCTRL_DIR, 1);
        unsetenv("HALVEX_STAND_IN");
        platform::ui::script::clear();
        m_previous = fs::current_path();
        ASSERT_NO_THROW(testkit::installRenewalComponents(
            {TESK_REGSVR32, TESK_PENTAK_MODULE, TESK_MIRELO_MODULE, TESK_TEXT_PLUGIN}, config));
        fs::current_path(config);
        setDefault(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tesk\\Halvex", u"LogFile",
                   platform::text::fromUtf8(logFile.string()));
    }
    void TearDown() override {
        fs::current_path(m_previous);
        unsetenv("HALVEX_STAND_IN");
    }

    void registerServer(const char* module, bool unregister = false) {
        ASSERT_NO_THROW(testkit::registerComServer(TESK_REGSVR32, module, unregister));
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

// The frame started in the fixture's platform root, its home page shown.
class FrameTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        startFrame();
    }
    void TearDown() override {
        frame.reset();
        CoUninitialize();
        ShellTest::TearDown();
    }

    // The frame made and its start-up checks run in the platform root.
    void startFrame() {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        halvex::TAppData::Instance().SetConfigurationFolder(halvex::FindConfigFile(u"Halvex.xml"));
        halvex::TLogFile::GetInstance().SetPath(platform::text::fromUtf8(logFile.string()));
        halvex::TLogFile::GetInstance().Init(true, true);
        frame = std::make_unique<halvex::MainFrame>(u"Halvex");
        ASSERT_TRUE(frame->OnInitApp(u"halvex")) << testing::PrintToString(platform::ui::script::transcript());
    }

    std::string page() { return frame->View().PageName(); }

    void click(const std::string& id) {
        std::string why;
        EXPECT_TRUE(frame->View().Html().perform(platform::ui::PageAction{platform::ui::PageAction::Kind::Click, id, {}},
                                                 &why))
            << why;
    }

    // A command link of the page shown, as the page's own reference makes it.
    void follow(const std::string& key) {
        frame->View().Html().navigate(platform::ui::resourceUrl(platform::text::toUtf8(halvex::GetModulePath()), key));
    }

    std::unique_ptr<halvex::MainFrame> frame;
};

}  // namespace shell_fixture
