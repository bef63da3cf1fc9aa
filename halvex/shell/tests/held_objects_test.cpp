// The enrolment object and the signer the program holds, each the real
// one inside a recording stand-in. On the way out, after a good start and
// after a failed one, they are released only once the busy window's
// thread has ended: the signer first (its plug-ins unloaded before, also
// when that fails), then the enrolment object, both before the log takes
// its last entry. A start slower than the busy window's tick keeps that
// window shown with its text while they are made. A busy thread that is
// stuck holds the frame's whole way out (its close and its end) no longer
// than the close's bound.
#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "busy_window.h"
#include "shell_fixture.h"
#include "win32/messages.h"
#include "win32/modules.h"
#include "win32/ui.h"

namespace {

using namespace shell_fixture;
namespace script = platform::ui::script;

// Where the stand-ins' records go in the running test.
std::function<void(const std::string&)> g_onRecord;

void Recorded(const char* event) {
    if (g_onRecord) g_onRecord(event);
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The recording stand-in module, loaded here as COM loads it (the same
// module), serving the enrolment class and the signer's class with their
// real modules; its records reach g_onRecord.
class RecordingStandIn {
public:
    RecordingStandIn() : m_module(LoadLibraryW(platform::text::fromUtf8(HALVEX_RECORDING_STAND_IN_MODULE).c_str())) {
        using RecordInto = void (*)(void (*)(const char*));
        const auto recordInto = reinterpret_cast<RecordInto>(GetProcAddress(m_module, "RecordInto"));
        if (!recordInto) throw std::runtime_error("no recording stand-in");
        recordInto(&Recorded);
        serve(kEnrolmentClass16, "enrolment", TESK_PENTAK_MODULE);
        serve(readDefault(HKEY_CLASSES_ROOT, std::u16string(kSignerProgId) + u"\\CLSID"), "signer",
              TESK_MIRELO_MODULE);
    }
    ~RecordingStandIn() {
        g_onRecord = nullptr;
        unloadFails(S_OK);
        FreeLibrary(m_module);
    }
    RecordingStandIn(const RecordingStandIn&) = delete;
    RecordingStandIn& operator=(const RecordingStandIn&) = delete;

    // The signer's UnloadAllPlugins answers this failure after its work.
    void unloadFails(HRESULT status) {
        using Fails = void (*)(HRESULT);
        if (const auto fails = reinterpret_cast<Fails>(GetProcAddress(m_module, "RecordedUnloadFails"))) fails(status);
    }

private:
    void serve(const std::u16string& classText, const char* name, const char* module) {
        using Serve = void (*)(REFCLSID, const char*, const char*);
        const auto serveClass = reinterpret_cast<Serve>(GetProcAddress(m_module, "RecordedServe"));
        CLSID clsid{};
        if (!serveClass || FAILED(CLSIDFromString(classText.c_str(), &clsid)))
            throw std::runtime_error("no class " + platform::text::toUtf8(classText));
        serveClass(clsid, name, module);
        setDefault(HKEY_CLASSES_ROOT, u"CLSID\\" + classText + u"\\InprocServer32", u"",
                   platform::text::fromUtf8(HALVEX_RECORDING_STAND_IN_MODULE));
    }

    HMODULE m_module;
};

class HeldObjects : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        m_standIn.emplace();
    }
    void TearDown() override {
        m_standIn.reset();
        ShellTest::TearDown();
    }

    // The program run to its end; the stand-ins' records, with the busy
    // window's end and the log's last entry each noted when first seen.
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

    std::optional<RecordingStandIn> m_standIn;
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
    fs::remove(logFile);

    setDefault(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Internet Explorer", u"Version", u"5.5.0");
    script::clear();
    m_standIn->unloadFails(E_FAIL);
    EXPECT_EQ(order, runRecordingTheEnds(0)) << "plug-ins that fail to unload";
    EXPECT_NE(std::string::npos, log().find("the signer failed to unload its plug-ins")) << log();
}

class SlowStart : public FrameTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        m_standIn.emplace();
        g_onRecord = [this](const std::string& event) {
            if (event != "enrolment made") return;
            std::this_thread::sleep_for(std::chrono::milliseconds(1200));
            const HWND busy = frame->Busy().Window();
            char16_t text[128] = {};
            GetDlgItemTextW(busy, halvex::kBusyTextId, text, 128);
            m_busyText = text;
            m_busyShown = IsWindowVisible(busy);
        };
        startFrame();
        g_onRecord = nullptr;
    }
    void TearDown() override {
        FrameTest::TearDown();
        m_standIn.reset();
    }

    std::u16string m_busyText;
    bool m_busyShown = false;

private:
    std::optional<RecordingStandIn> m_standIn;
};

// The program's window is in front from the start: the busy window's
// ticks while the enrolment object is made find it there.
TEST_F(SlowStart, KeepsTheBusyWindowShownWithItsText) {
    EXPECT_TRUE(m_busyShown);
    EXPECT_EQ(u"Připravuji generátor žádosti ...", m_busyText);
    EXPECT_EQ("home.htm", page());
}

class FrameEnd : public FrameTest {};

// The busy thread shows its window again while the frame's window is in
// front and asks this thread to repaint it; this thread takes no messages
// while it closes, so that thread cannot end.
TEST_F(FrameEnd, AStuckBusyThreadHoldsTheWholeWayOutOnlyUntilTheCloseBound) {
    const HWND other = CreateWindowExW(0, u"STATIC", u"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    const HWND busy = frame->Busy().Window();
    ASSERT_NE(nullptr, busy);
    frame->Busy().ShowBusy(33073);
    SetForegroundWindow(other);
    for (int tick = 0; tick < 40 && IsWindowVisible(busy); ++tick)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_FALSE(IsWindowVisible(busy));
    SetForegroundWindow(frame->Window());
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));  // a tick's repaint now waits for this thread

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(frame->OnClose(300));
    frame.reset();
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(300));
    EXPECT_LT(waited, std::chrono::seconds(3)) << "the end waited again for the busy thread";
    EXPECT_NE(std::string::npos, log().find("the busy thread did not end in time"));

    // Taking this thread's messages again lets the busy thread end.
    MSG message;
    for (int turn = 0; turn < 100 && !platform::ui::script::transcript().empty() &&
                       platform::ui::script::transcript().back() != "Dialog 101 destroyed";
         ++turn) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ("Dialog 101 destroyed", platform::ui::script::transcript().back());
    DestroyWindow(other);
}

}  // namespace
