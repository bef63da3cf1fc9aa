// The answers of the script backend, shared by the process: the queue that
// tests fill, the lines of the script file, the transcript of questions and
// the handler of questions without a fitting answer.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ui.h"

namespace platform::ui::script {

inline constexpr std::string_view kMessageBox = "MessageBox";
inline constexpr std::string_view kOpenWith = "OpenWith";
inline constexpr std::string_view kOpenFile = "OpenFile";
inline constexpr std::string_view kSaveFile = "SaveFile";
inline constexpr std::string_view kPin = "Pin";
inline constexpr std::string_view kCredentials = "Credentials";
inline constexpr std::string_view kCertificate = "Certificate";
inline constexpr std::string_view kSelectCertificate = "SelectCertificate";
inline constexpr std::string_view kViewCertificate = "ViewCertificate";
inline constexpr std::string_view kCertificateManager = "CertificateManager";
inline constexpr std::string_view kPage = "Page";
inline constexpr std::string_view kPrint = "Print";

// The reply of a "Certificate IDCANCEL" (or "SelectCertificate
// IDCANCEL") answer: no row has it.
inline constexpr int kChoiceCancelled = -1;
// The reply of a "Print IDCANCEL" answer (others are the copies).
inline constexpr int kPrintCancelled = -1;

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
// The user name and password of the next answer, or nothing when it is
// IDCANCEL or the question goes to the handler.
std::optional<Credentials> askCredentials(const std::string& line);
// The row of the next answer of the kind (kCertificate or
// kSelectCertificate), which must be below `rows`; nothing when it is
// IDCANCEL or the question goes to the handler.
std::optional<std::size_t> askChoice(std::string_view kind, const std::string& line, std::size_t rows);
// The reply of the next answer as written, when fits() accepts it; nothing
// when the question goes to the handler (whatever it replies).
std::optional<std::string> askReply(std::string_view kind, const std::string& line,
                                    const std::function<bool(const std::string& reply)>& fits);

// True when the next answer is for that kind of question (the HTML view's
// page actions are taken while they come next).
bool nextIs(std::string_view kind);
// Hands a problem of the script (a page action that cannot be done) to the
// handler of unanswered questions, or ends the process.
void reportProblem(const std::string& problem);
// Adds a line to the transcript for what asks nothing of the user.
void record(std::string line);

// Adds a cursor shown ("arrow", "wait", "hidden") to the cursor history.
void recordCursor(std::string_view cursor);

}  // namespace platform::ui::script
