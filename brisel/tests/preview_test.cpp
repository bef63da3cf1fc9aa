// The preview window through the plug-in's own exports, answered by the
// script backend of the plug-in's copy of the UI layer. That copy is not
// the test's, so each run happens in a child process whose script file
// holds the answers, each with a text its question must show: an answer
// that does not fit ends the child with the question on stderr.
#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <kyd_plugin/kyd_plugin.h>

#include "call_arg.h"
#include "testkit/platform_root.h"

namespace {

using kyd_plugin::ByteVector;

// "Příliš žluťoučký kůň" in Windows-1250 with a NUL in the middle, as a
// signer hands it over before conversion.
const ByteVector kCzech1250 = {'P',  0xF8, 0xED, 'l', 'i',  0x9A, ' ',  0x9E, 'l',  'u', 0x9D, 'o',
                               'u',  0xE8, 'k',  0xFD, 0x00, 'k',  0xF9, 0xF2, ' ',  'x'};
// The same after conversion, as the preview shows it: no byte-order mark,
// the NUL as a visible symbol, the text after it still there.
const std::string kShownText = "Příliš žluťoučký\u2400kůň x";

class Preview : public ::testing::Test {
protected:
    // In the child: loads the plug-in with the answers, converts the
    // document from Windows-1250 in the language, previews it and exits
    // with 0 when the preview ran and took all the answers.
    [[noreturn]] static void previewIn(const std::filesystem::path& script, std::uint32_t language) {
        setenv("PLATFORM_UI", ("script:" + script.string()).c_str(), 1);
        void* module = dlopen(TESK_BRISEL_MODULE, RTLD_NOW | RTLD_LOCAL);
        if (!module) std::_Exit(10);
        const auto init = reinterpret_cast<kyd_plugin::InitFunction>(dlsym(module, kyd_plugin::kInitName));
        const auto call = reinterpret_cast<kyd_plugin::CallFunction>(dlsym(module, kyd_plugin::kCallName));
        kyd_plugin::HostInfo host{};
        host.interfaceVersion = kyd_plugin::kHostInterfaceVersion;
        kyd_plugin::PluginInfo info{};
        std::uint32_t codePage = 2;
        const ByteVector* converted = nullptr;
        if (init(&host, &info) != 1 || call(kyd_plugin::kLanguage, arg(&language), 0, 0) != 1 ||
            call(kyd_plugin::kCodePage, arg(&codePage), 0, 0) != 1)
            std::_Exit(11);
        // Not UTF-8 before its conversion: no window, which would take an answer.
        if (call(kyd_plugin::kPreview, arg(&kCzech1250), 0, 0) != 0) std::_Exit(12);
        if (call(kyd_plugin::kTransform, arg(&kCzech1250), arg("text/plain"), arg(&converted)) != 1) std::_Exit(13);
        if (call(kyd_plugin::kPreview, arg(converted), 0, 0) != 1) std::_Exit(14);
        // The about box takes the last answer: one left over by a preview
        // that ended early does not fit it.
        call(1, 0, 0, 0);
        std::_Exit(0);
    }

    // The answers, then the about box's.
    std::filesystem::path answers(std::vector<std::string> lines) {
        lines.push_back("MessageBox IDOK Plugin");
        const auto file = m_root.path() / "answers.txt";
        std::ofstream out(file);
        for (const auto& line : lines) out << line << "\n";
        return file;
    }

    testkit::PlatformRoot m_root;
};

// The Czech window's line from Zoom Out to the view at that zoom.
std::string shownAt(int zoom, bool zoomOutEnabled = true, bool zoomInEnabled = true) {
    const std::string percent = std::to_string(zoom);
    return std::string("4004 button \"Z&menšit\"") + (zoomOutEnabled ? "" : " disabled") +
           " | 4003 button \"Z&většit\"" + (zoomInEnabled ? "" : " disabled") +
           " | 4005 button \"&Skutečná velikost\" | 8 default \"&Zavřít\" | 4006 edit \"" + percent +
           "%\" disabled | 9999 textview \"" + kShownText + "\" zoom " + percent;
}

TEST_F(Preview, OpensAt60PercentShowingTheWholeConvertedText) {
    const auto script = answers({"Dialog close Dialog 4000: Náhled dokumentu | 4002 button \"&Tisk...\" | " +
                                 shownAt(60)});
    EXPECT_EXIT(previewIn(script, 0), ::testing::ExitedWithCode(0), "");
}

TEST_F(Preview, ZoomStopsAtItsLimitsWithTheButtonsDisabledThere) {
    std::vector<std::string> lines;
    // Up from 60 in steps of 10: Zoom In stays enabled up to 390.
    for (int zoom = 60; zoom < 400; zoom += 10) lines.push_back("Dialog press:4003 " + shownAt(zoom));
    lines.push_back("Dialog press:4005 " + shownAt(400, true, false));
    // Down from Actual Size: Zoom Out stays enabled down to 20.
    for (int zoom = 100; zoom > 10; zoom -= 10) lines.push_back("Dialog press:4004 " + shownAt(zoom));
    lines.push_back("Dialog close " + shownAt(10, false, true));
    EXPECT_EXIT(previewIn(answers(lines), 0), ::testing::ExitedWithCode(0), "");
}

// The window takes a sizing border: made smaller than 530 x 150 pixels it
// stays that large; the view fills it below the buttons, the zoom field
// keeps its distance from the right edge.
TEST_F(Preview, ResizedTheViewFillsTheWindowWhichStaysAtLeast530By150) {
    const auto script =
        answers({"Dialog size:900:700 Náhled dokumentu | 4002 button \"&Tisk...\"",
                 "Dialog size:400:100 4006 edit \"60%\" disabled at 845,4 45x22 | 9999 textview \"" + kShownText +
                     "\" zoom 60 at -1,34 900x666 | size 900x700",
                 "Dialog close 4006 edit \"60%\" disabled at 475,4 45x22 | 9999 textview \"" + kShownText +
                     "\" zoom 60 at -1,34 530x116 | size 530x150"});
    EXPECT_EXIT(previewIn(script, 0), ::testing::ExitedWithCode(0), "");
}

TEST_F(Preview, PrintsAJobNamedDocumentKydWithTheCopiesChosenOrNoneWhenCancelled) {
    const auto script = answers({"Dialog press:4002 Document Preview | 4002 button \"&Print...\"",
                                 "Print 2 Print: DocumentKyd",
                                 "Dialog press:4002 \"60%\"",
                                 "Print IDCANCEL Print: DocumentKyd",
                                 "Dialog press:8 8 default \"&Close\""});
    EXPECT_EXIT(previewIn(script, 2), ::testing::ExitedWithCode(0), "");
}

}  // namespace
