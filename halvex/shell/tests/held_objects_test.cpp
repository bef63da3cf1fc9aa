// The enrolment object and the signer the program holds, each the real
// one inside a recording stand-in: made at start, and on the way out,
// after a good start and after a failed one, released only once the busy
// window's thread has ended, the signer (its plug-ins unloaded first)
// before the enrolment object, both before the log takes its last entry.
// A start slower than the busy window's tick keeps that window shown.
#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "shell_fixture.h"
#include "win32/modules.h"

namespace {

using namespace shell_fixture;
namespace script = platform::ui::script;

constexpr char16_t kEnrolmentClass16[] = u"{D848A3BC-5B32-43E2-B362-BA816EA3CFCF}";

std::function<void(const std::string&)> g_onRecord;

void Recorded(const char* event) {
    if (g_onRecord) g_onRecord(event);
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class HeldObjects : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        m_standIn = LoadLibraryW(platform::text::fromUtf8(HALVEX_RECORDING_STAND_IN_MODULE).c_str());
        ASSERT_NE(nullptr, m_standIn);
        m_serve = reinterpret_cast<Serve>(GetProcAddress(m_standIn, "RecordedServe"));
        m_recordInto = reinterpret_cast<RecordInto>(GetProcAddress(m_standIn, "RecordInto"));
        ASSERT_TRUE(m_serve && m_recordInto);
        serve(kEnrolmentClass16, "enrolment", TESK_PENTAK_MODULE);
        serve(readDefault(HKEY_CLASSES_ROOT, std::u16string(kSignerProgId) + u"\\CLSID"), "signer",
              TESK_MIRELO_MODULE);
        m_recordInto(&Recorded);
    }
    void TearDown() override {
        if (m_recordInto) m_recordInto(nullptr);
        g_onRecord = nullptr;
        if (m_standIn) FreeLibrary(m_standIn);
        ShellTest::TearDown();
    }

    // Objects of the class are the module's, held by the recording stand-in.
    void serve(const std::u16string& classText, const char* name, const char* module) {
        CLSID clsid{};
        ASSERT_EQ(S_OK, CLSIDFromString(classText.c_str(), &clsid)) << platform::text::toUtf8(classText);
        m_serve(clsid, name, module);
        setDefault(HKEY_CLASSES_ROOT, u"CLSID\\" + classText + u"\\InprocServer32", u"",
                   platform::text::fromUtf8(HALVEX_RECORDING_STAND_IN_MODULE));
    }

    // The stand-ins' records, with the busy window's end and the log's
    // last entry each noted when first seen.
    std::vector<std::string> runRecordingTheEnds(int expectedExit) {
        std::vector<std::string> seen;
        const auto look = [&] {
            const auto once = [&](const std::string& event) {
                if (!Contains(seen, event)) seen.push_back(event);
            };
            if (Contains(script::transcript(), "Dialog 101 destroyed")) once("busy window destroyed");
            // The log is written in the ANSI code page: "aplikace ukončena".
            if (log().find("aplikace ukon\xE8" "ena") != std::string::npos) once("log ended");
        };
        g_onRecord = [&](const std::string& event) {
            look();
            seen.push_back(event);
        };
        EXPECT_EQ(expectedExit, halvex::RunHalvex(u"halvex")) << log();
        g_onRecord = nullptr;
        look();
        return seen;
    }

private:
    using Serve = void (*)(REFCLSID, const char*, const char*);
    using RecordInto = void (*)(void (*)(const char*));
    HMODULE m_standIn = nullptr;
    Serve m_serve = nullptr;
    RecordInto m_recordInto = nullptr;
};

TEST_F(HeldObjects, GoAfterTheBusyThreadTheSignerFirstAndBeforeTheLogEnds) {
    const std::vector<std::string> order{"enrolment made",     "signer made",    "busy window destroyed",
                                         "signer: plug-ins unloaded", "signer released", "signer gone",
                                         "enrolment released", "enrolment gone", "log ended"};
    EXPECT_EQ(order, runRecordingTheEnds(0));
    EXPECT_NE(std::string::npos, log().find("init done"));
    fs::remove(logFile);

    setDefault(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Internet Explorer", u"Version", u"5.0.3700");
    script::clear();
    script::queue("MessageBox", "IDOK");
    EXPECT_EQ(order, runRecordingTheEnds(1)) << "after a failed start";
    EXPECT_EQ(std::string::npos, log().find("init done"));
}

// The program's window is in front from the start: the busy window's
// ticks while the checks run find it there and leave the busy window up.
TEST_F(HeldObjects, AStartSlowerThanTheBusyWindowsTickKeepsItShown) {
    std::vector<std::string> whenTheSignerIsMade;
    g_onRecord = [&](const std::string& event) {
        if (event == "enrolment made") std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        if (event == "signer made") whenTheSignerIsMade = script::transcript();
    };
    EXPECT_EQ(0, halvex::RunHalvex(u"halvex")) << log();
    EXPECT_EQ((std::vector<std::string>{"Dialog 101:  | 133 static \"\" | 134 progress \"\" marquee",
                                        "Dialog 101 topmost", "Dialog 101 shown"}),
              whenTheSignerIsMade);
}

}  // namespace
