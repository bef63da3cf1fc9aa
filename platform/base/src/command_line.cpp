// Windows command-line splitting.
#include "platform/command_line.h"

namespace platform::commandLine {

std::vector<std::u16string> split(std::u16string_view text) {
    std::vector<std::u16string> arguments;
    std::size_t i = 0;
    for (;;) {
        while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
        if (i >= text.size()) return arguments;
        std::u16string argument;
        bool quoted = false;
        while (i < text.size() && (quoted || (text[i] != u' ' && text[i] != u'\t'))) {
            if (text[i] == u'\\') {
                std::size_t slashes = 0;
                while (i < text.size() && text[i] == u'\\') ++slashes, ++i;
                if (i < text.size() && text[i] == u'"') {
                    argument.append(slashes / 2, u'\\');
                    if (slashes % 2) {
                        argument.push_back(u'"');
                        ++i;
                    }
                } else {
                    argument.append(slashes, u'\\');
                }
            } else if (text[i] == u'"') {
                if (quoted && i + 1 < text.size() && text[i + 1] == u'"') {
                    argument.push_back(u'"');
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                argument.push_back(text[i++]);
            }
        }
        arguments.push_back(std::move(argument));
    }
}

}  // namespace platform::commandLine
