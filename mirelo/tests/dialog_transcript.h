// Reading the script backend's transcript of a dialog in tests.
#pragma once

#include <string>

namespace dialog_transcript {

// The control's part of a transcript line: "ID kind "text" ...".
inline std::string control(const std::string& line, int id) {
    const std::string start = "| " + std::to_string(id) + " ";
    const auto at = line.find(start);
    if (at == std::string::npos) return {};
    const auto end = line.find(" | ", at + start.size());
    return line.substr(at + 2, end == std::string::npos ? std::string::npos : end - at - 2);
}

inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace dialog_transcript
