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

ProgramAndArguments splitProgram(std::u16string_view line) {
    ProgramAndArguments result;
    std::size_t i = 0;
    bool quoted = false;
    for (; i < line.size() && (quoted || (line[i] != u' ' && line[i] != u'\t')); ++i) {
        if (line[i] == u'"')
            quoted = !quoted;
        else
            result.program.push_back(line[i]);
    }
    while (i < line.size() && (line[i] == u' ' || line[i] == u'\t')) ++i;
    result.arguments = line.substr(i);
    return result;
}

std::u16string quote(std::u16string_view argument) {
    if (!argument.empty() && argument.find_first_of(u" \t\"") == std::u16string_view::npos)
        return std::u16string(argument);
    std::u16string text = u"\"";
    std::size_t slashes = 0;
    for (const char16_t c : argument) {
        if (c == u'\\') {
            ++slashes;
            continue;
        }
        // Backslashes before a quote, and before the closing quote, double.
        text.append(c == u'"' ? 2 * slashes + 1 : slashes, u'\\');
        slashes = 0;
        text.push_back(c);
    }
    text.append(2 * slashes, u'\\');
    text.push_back(u'"');
    return text;
}

}  // namespace platform::commandLine
