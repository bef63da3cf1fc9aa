// halvex: renews a qualified certificate through the wizard's pages.
#include <string>

#include "halvex_app.h"
#include "platform/text.h"

int main(int argc, char** argv) {
    std::string commandLine;
    for (int n = 0; n < argc; ++n) commandLine += (n ? " " : "") + std::string(argv[n]);
    return halvex::RunHalvex(platform::text::fromUtf8(commandLine));
}
