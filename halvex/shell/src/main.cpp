// halvex: renews a qualified certificate through the wizard's pages.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "halvex_app.h"
#include "platform/text.h"
#include "platform/win_error.h"
#include "win32/error_codes.h"

int main(int argc, char** argv) {
    std::string commandLine;
    for (int n = 0; n < argc; ++n) commandLine += (n ? " " : "") + std::string(argv[n]);
    try {
        return halvex::RunHalvex(platform::text::fromUtf8(commandLine));
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
