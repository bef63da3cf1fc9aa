// GetCommandLineW: the process's arguments from /proc/self/cmdline, joined
// into one Windows command line.
#include <fstream>
#include <iterator>
#include <string>

#include "platform/command_line.h"
#include "platform/text.h"
#include "win32/process.h"

namespace {

std::u16string readCommandLine() {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::u16string line;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = std::min(bytes.find('\0', start), bytes.size());
        if (!line.empty()) line.push_back(u' ');
        line += platform::commandLine::quote(platform::text::fromUtf8(bytes.substr(start, end - start)));
        start = end + 1;
    }
    return line;
}

}  // namespace

LPWSTR GetCommandLineW() noexcept {
    // Read once, before anyone can change it; a failure leaves it empty.
    static std::u16string line = [] {
        try {
            return readCommandLine();
        } catch (...) {
            return std::u16string();
        }
    }();
    return line.data();
}
