// The answers of the script backend, shared by the process: the queue that
// tests fill, the lines of the script file, the transcript of questions and
// the handler of questions without a fitting answer.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform::ui::script {

inline constexpr std::string_view kMessageBox = "MessageBox";
inline constexpr std::string_view kOpenWith = "OpenWith";
inline constexpr std::string_view kPin = "Pin";

// Puts the answers of a script file before the queued ones. A file that
// cannot be read or has a line that is not an answer ends the process.
void loadFile(const std::filesystem::path& file);

// Records the question (its transcript line) and returns the reply of the
// next answer when that answer is for this kind, its text is in the line
// and fits() accepts its reply. Otherwise the answer, if any, is used up
// and the handler's reply is returned, or the process ends.
int ask(std::string_view kind, const std::string& line, const std::function<bool(int reply)>& fits);
// The same for a PIN question: the PIN of the next answer, or nothing when
// it is IDCANCEL.
std::optional<std::string> askPin(const std::string& line);

}  // namespace platform::ui::script
