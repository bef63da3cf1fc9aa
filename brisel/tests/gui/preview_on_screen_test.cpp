// The preview window on an X server of the test's own: a Czech
// Windows-1250 document converted by the plug-in and shown by GTK through
// its exports, left as a screenshot in the artifacts folder; its print
// dialog opened and cancelled; resized larger, its view, framed in the
// button-shadow grey, following the window; closed with Enter (Close is
// the default button). The window with a long Czech document: its
// controls, as GTK laid them out, overlap nothing and end inside it, also
// when it is made as small as it goes; Escape closes it.
#include <dlfcn.h>
#include <iconv.h>

#include <cstdint>
#include <future>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <kyd_plugin/kyd_plugin.h>

#include "preview_window.h"
#include "testkit/dialog_layout.h"
#include "testkit/process.h"
#include "testkit/screen_user.h"
#include "testkit/xvfb.h"

namespace {

using kyd_plugin::ByteVector;

// Resizes the window's client area and waits for the view's frame, in the
// button-shadow grey, to stand at its new right edge: the view fills the
// width (from one pixel left of the window), below the buttons.
void resizeAndSeeTheFrameFollow(const testkit::ScreenUser& user, const std::string& window, int width, int height) {
    const auto resized = testkit::run({"xdotool", "windowsize", "--sync", window, std::to_string(width),
                                       std::to_string(height)});
    EXPECT_EQ(0, resized.exitCode) << resized.err;
    const testkit::Pixels rightEdge{"the view's frame down the right edge", width - 2, 50, width - 1, height - 50,
                                    "#A0A0A0"};
    EXPECT_NO_THROW(user.screen().screenshotShowing("brisel-preview-resized", window, {rightEdge}));
}

using kyd_plugin::CallArg;

CallArg arg(const void* p) { return reinterpret_cast<CallArg>(p); }

ByteVector windows1250(const std::string& utf8) {
    const iconv_t converter = iconv_open("CP1250", "UTF-8");
    std::string in = utf8;
    ByteVector out(utf8.size());
    char* from = in.data();
    char* to = reinterpret_cast<char*>(out.data());
    std::size_t left = in.size();
    std::size_t room = out.size();
    const std::size_t converted = iconv(converter, &from, &left, &to, &room);
    iconv_close(converter);
    EXPECT_NE(static_cast<std::size_t>(-1), converted);
    out.resize(out.size() - room);
    return out;
}

TEST(PreviewOnScreen, ACzechWindows1250DocumentIsShownConverted) {
    TESTKIT_REQUIRE_SCREEN();
    testkit::ScreenUser user;
    void* module = dlopen(TESK_BRISEL_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(nullptr, module) << dlerror();
    const auto init = reinterpret_cast<kyd_plugin::InitFunction>(dlsym(module, kyd_plugin::kInitName));
    const auto call = reinterpret_cast<kyd_plugin::CallFunction>(dlsym(module, kyd_plugin::kCallName));
    const auto exit = reinterpret_cast<kyd_plugin::ExitFunction>(dlsym(module, kyd_plugin::kExitName));
    kyd_plugin::HostInfo host{};
    host.interfaceVersion = kyd_plugin::kHostInterfaceVersion;
    kyd_plugin::PluginInfo info{};
    ASSERT_EQ(1, init(&host, &info));
    std::uint32_t codePage = 2;
    ASSERT_EQ(1, call(kyd_plugin::kCodePage, arg(&codePage), 0, 0));

    const ByteVector document = windows1250(
        "Smlouva o dílo č. 17/2026\n\n"
        "Příliš žluťoučký kůň úpěl ďábelské ódy.\n"
        "Zhotovitel se zavazuje provést dílo řádně a včas; objednatel dílo převezme a zaplatí.\n"
        "V Českých Budějovicích dne 9. prosince 2026\n");
    const ByteVector* converted = nullptr;
    ASSERT_EQ(1, call(kyd_plugin::kTransform, arg(&document), arg("text/plain"), arg(&converted)));
    // Print (Alt+T) opens the print dialog; Escape cancels it and the
    // preview stays until Enter closes it.
    auto person = std::async(std::launch::async, [&] {
        user.answer("Náhled dokumentu", "alt+t",
                    {"brisel-preview", {"Tisk...", "Zavřít", "Smlouva o dílo č. 17/2026",
                                        "Příliš žluťoučký kůň úpěl ďábelské ódy.",
                                        "V Českých Budějovicích dne 9. prosince 2026"}});
        user.answer("Print", "Escape", {"brisel-print-dialog", {"Print", "Cancel"}});
        resizeAndSeeTheFrameFollow(user, testkit::findWindow("Náhled dokumentu"), 900, 700);
        user.answer("Náhled dokumentu", "Return", {"", {"Smlouva o dílo č. 17/2026"}});
    });
    EXPECT_EQ(1, call(kyd_plugin::kPreview, arg(converted), 0, 0));
    person.get();

    EXPECT_EQ(1, exit(0, 0));
    dlclose(module);
}

// Made as small as it goes, the window still holds every button and the
// zoom field beside them.
TEST(PreviewOnScreen, ItsButtonsFitTheWindowAlsoAtItsLeastSizeAndEscapeClosesIt) {
    TESTKIT_REQUIRE_SCREEN();
    testkit::ScreenUser user;
    std::string text;
    for (int i = 1; i <= 60; ++i)
        text += "Článek " + std::to_string(i) +
                ": Zhotovitel se zavazuje provést dílo řádně a včas; objednatel dílo převezme a zaplatí "
                "sjednanou cenu na účet 19-2000145399/0800, variabilní symbol 172026.\n";
    auto person = std::async(std::launch::async, [&] {
        const std::string title = "Náhled dokumentu";
        const std::string window = testkit::findWindow(title);
        ASSERT_FALSE(window.empty()) << "no preview came";
        EXPECT_EQ(std::vector<std::string>{}, testkit::dialogLayoutFaults(title)) << "at its first size";
        constexpr int kZoomField = 4006;
        const auto fieldLeft = [&] { return testkit::placeInDialog(testkit::shownDialog(title), kZoomField).left; };
        const LONG wide = fieldLeft();
        testkit::RunOptions bounded;
        bounded.timeout = std::chrono::seconds(10);
        const auto resized = testkit::run({"xdotool", "windowsize", window, "100", "100"}, bounded);
        EXPECT_EQ(0, resized.exitCode) << resized.err;
        // The window took its least size once the field has followed its edge.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (fieldLeft() == wide && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_LT(fieldLeft(), wide) << "the window was not made smaller";
        testkit::answerCheckingLayout(user, title, "Escape", {"brisel-fit-preview-least", {"Tisk...", "Zavřít"}});
    });
    EXPECT_TRUE(brisel::showPreview({reinterpret_cast<const unsigned char*>(text.data()), text.size()},
                                    brisel::Language::Czech));
    person.get();
}

}  // namespace
