// halvex: renews a qualified certificate through the wizard's pages.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "halvex_app.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "platform/win_error.h"
#include "win32/error_codes.h"
#include "win32/ui.h"

namespace {

bool g_unanswered = false;

// Without a window a question the answers do not cover (the first is the
// box saying the platform root was never set up) is written to the
// terminal and cancelled: the program goes its way out instead of
// aborting, and ends with 1.
int SayUnanswered(const std::string& question) {
    std::fprintf(stderr,
                 "halvex: %s; without a window nobody answers it: run halvex with a display, or give its answers "
                 "with PLATFORM_UI=script:FILE, as scripts/demo does\n",
                 question.c_str());
    g_unanswered = true;
    return IDCANCEL;
}

}  // namespace

int main(int argc, char** argv) {
    std::string commandLine;
    for (int n = 0; n < argc; ++n) commandLine += (n ? " " : "") + std::string(argv[n]);
    platform::ui::script::onUnanswered(SayUnanswered);
    try {
        const int exitCode = halvex::RunHalvex(platform::text::fromUtf8(commandLine));
        return g_unanswered && exitCode == 0 ? 1 : exitCode;
    } catch (const platform::WinError& e) {
        // The window cannot be shown: one line on how to run it instead.
        if (e.code() != ERROR_NOT_READY) throw;
        const char* display = std::getenv("DISPLAY");
        std::fprintf(stderr,
                     "halvex: %s (DISPLAY=%s); without a display run it headless with PLATFORM_UI=script:FILE, "
                     "as scripts/demo does when DISPLAY is not set\n",
                     e.what(), display ? display : "");
        return 1;
    }
}
