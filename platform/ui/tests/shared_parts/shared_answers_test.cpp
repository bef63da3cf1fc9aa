// A program that owns the UI parts of the process and a module carrying its
// own copy of the layer: one script answers both, in the order they ask,
// and one transcript shows every question.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32/error.h"
#include "win32/modules.h"
#include "platform/ui.h"
#include "testkit/platform_root.h"
#include "testkit/scoped_env.h"
#include "win32/ui.h"

namespace script = platform::ui::script;

TEST(SharedByModules, OneScriptFileAnswersProgramAndModuleInTheOrderAsked) {
    testkit::PlatformRoot root;
    const auto answers = root.write("answers.txt",
                                    "MessageBox IDYES Začít\n"
                                    "MessageBox IDNO nový klíč\n"
                                    "Pin 0042 Virtual Reader 0\n"
                                    "MessageBox IDOK Hotovo\n");
    ScopedEnv ui("PLATFORM_UI", "script:" + answers.string());

    EXPECT_EQ(IDYES, MessageBoxW(nullptr, u"Začít obnovu?", u"Program", MB_YESNO));
    const HMODULE module = LoadLibraryA(TESK_UI_ASKING_MODULE);
    ASSERT_NE(nullptr, module) << GetLastError();
    const auto ask = reinterpret_cast<int (*)(char*, int)>(GetProcAddress(module, "asking_box_and_pin"));
    ASSERT_NE(nullptr, ask);
    char pin[16] = "";
    EXPECT_EQ(IDNO, ask(pin, sizeof pin));
    EXPECT_STREQ("0042", pin);
    EXPECT_EQ(IDOK, MessageBoxW(nullptr, u"Hotovo", u"Program", MB_OK));
    FreeLibrary(module);

    EXPECT_EQ(0u, script::pending());
    const std::vector<std::string> expected = {
        "MessageBox: Program: Začít obnovu?",
        "MessageBox: Modul: Vytvořit nový klíč?",
        "Pin: Tesk Card CSP: Virtual Reader 0",
        "MessageBox: Program: Hotovo",
    };
    EXPECT_EQ(expected, script::transcript());
}
