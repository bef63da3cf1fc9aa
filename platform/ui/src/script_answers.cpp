#include "script_answers.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <deque>
#include <fstream>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <utility>
#include <variant>

#include "fatal.h"
#include "platform/html_view.h"
#include "platform/ui.h"
#include "process_parts.h"
#include "script_dialog.h"
#include "script_dialog_replies.h"
#include "win32/ui.h"

namespace platform::ui::script {

namespace {

struct Answer {
    std::string kind;
    std::string replyText;
    int reply = 0;
    std::string expectText;

    std::string describe() const {
        return kind + " " + replyText + (expectText.empty() ? "" : " " + expectText);
    }
};

}  // namespace

// The answers not yet taken, the transcript, the cursor history and the
// handler of unanswered questions.
struct AnswerState {
    std::mutex mutex;
    std::deque<Answer> answers;
    std::vector<std::string> transcript;
    std::vector<std::string> cursors;
    std::function<int(const std::string&)> handler;
};

// Never destroyed: the copies of other modules may ask while the process
// ends, and the handler may belong to a module already gone.
AnswerState& ownAnswerState() {
    static auto* const kept = new AnswerState;
    return *kept;
}

namespace {

AnswerState& state() { return *processParts().answers; }

constexpr std::array<std::pair<std::string_view, int>, 7> kReplyNames{{
    {"IDOK", IDOK},
    {"IDCANCEL", IDCANCEL},
    {"IDABORT", IDABORT},
    {"IDRETRY", IDRETRY},
    {"IDIGNORE", IDIGNORE},
    {"IDYES", IDYES},
    {"IDNO", IDNO},
}};

int parseReply(std::string_view text) {
    for (const auto& [name, value] : kReplyNames)
        if (text == name) return value;
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0)
        throw std::invalid_argument("not a reply: \"" + std::string(text) + "\"");
    return value;
}

// A PIN is its digits (kept as text: leading zeros count) or IDCANCEL.
int parsePinReply(std::string_view text) {
    if (text == "IDCANCEL") return IDCANCEL;
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos)
        throw std::invalid_argument("not a PIN: \"" + std::string(text) + "\"");
    return 0;
}

// "USER PASSWORD" (kept as text) or IDCANCEL.
int parseCredentialsReply(std::string_view text) {
    if (text == "IDCANCEL") return IDCANCEL;
    const auto blank = text.find(' ');
    if (blank == 0 || blank == std::string_view::npos || blank + 1 == text.size())
        throw std::invalid_argument("not \"USER PASSWORD\": \"" + std::string(text) + "\"");
    return IDOK;
}

// A row's index or IDCANCEL, which is kChoiceCancelled.
int parseChoiceReply(std::string_view text) {
    if (text == "IDCANCEL") return kChoiceCancelled;
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0)
        throw std::invalid_argument("not a row: \"" + std::string(text) + "\"");
    return value;
}

// The copies of a print job: a number from 1.
int parseCopies(std::string_view text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 1)
        throw std::invalid_argument("not IDCANCEL or a number of copies: \"" + std::string(text) + "\"");
    return value;
}

Answer makeAnswer(std::string kind, std::string reply, std::string expectText) {
    int value = 0;
    if (kind == kMessageBox || kind == kOpenWith)
        value = parseReply(reply);
    else if (kind == kOpenFile || kind == kSaveFile)
        value = reply == "IDCANCEL" ? IDCANCEL : IDOK;
    else if (kind == kPin)
        value = parsePinReply(reply);
    else if (kind == kCredentials)
        value = parseCredentialsReply(reply);
    else if (kind == kCertificate || kind == kSelectCertificate)
        value = parseChoiceReply(reply);
    else if (kind == kViewCertificate)
        value = parseViewReply(reply);
    else if (kind == kCertificateManager)
        value = parseManagerReply(reply);
    else if (kind == kDialog)
        checkDialogReply(reply);
    else if (kind == kPage)
        parsePageAction(reply);
    else if (kind == kPrint)
        value = reply == "IDCANCEL" ? kPrintCancelled : parseCopies(reply);
    else
        throw std::invalid_argument("not a kind of question: \"" + kind + "\"");
    return Answer{std::move(kind), std::move(reply), value, std::move(expectText)};
}

std::string_view trimmed(std::string_view s) {
    constexpr std::string_view blanks = " \t\r\n";
    const auto first = s.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

// Splits off the first blank-separated word.
std::pair<std::string_view, std::string_view> firstWord(std::string_view s) {
    const auto end = s.find_first_of(" \t");
    if (end == std::string_view::npos) return {s, {}};
    return {s.substr(0, end), trimmed(s.substr(end))};
}

// The reply and the expected text after the kind: the reply is one word,
// for credentials two (the user name and the password) unless cancelled.
std::pair<std::string, std::string_view> replyAndText(std::string_view kind, std::string_view rest) {
    const auto [reply, text] = firstWord(rest);
    if (kind != kCredentials || reply == "IDCANCEL") return {std::string(reply), text};
    const auto [password, after] = firstWord(text);
    return {std::string(reply) + " " + std::string(password), after};
}

// "KIND REPLY [text...]"; nothing for a blank line or a comment.
std::optional<Answer> parseLine(std::string_view raw) {
    const auto line = trimmed(raw);
    if (line.empty() || line.front() == '#') return std::nullopt;
    const auto [kind, rest] = firstWord(line);
    const auto [reply, text] = replyAndText(kind, rest);
    if (reply.empty()) throw std::invalid_argument("expected \"KIND REPLY [text]\"");
    return makeAnswer(std::string(kind), reply, std::string(text));
}

// Why the next answer does not fit, or nothing when it does.
using Fits = std::function<bool(const Answer&)>;

std::optional<std::string> misfit(const Answer& answer, std::string_view kind, const std::string& line,
                                  const Fits& fits) {
    const std::string met = "the answer \"" + answer.describe() + "\"";
    if (answer.kind != kind) return met + " is for another kind of question";
    if (line.find(answer.expectText) == std::string::npos) return met + " expects another text";
    if (!fits(answer)) return met + " has a reply this question cannot have";
    return std::nullopt;
}

}  // namespace

void queue(std::string kind, std::string reply, std::string expectText) {
    auto answer = makeAnswer(std::move(kind), std::move(reply), std::move(expectText));
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.answers.push_back(std::move(answer));
}

void clear() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.answers.clear();
    s.transcript.clear();
    s.cursors.clear();
    s.handler = nullptr;
}

std::size_t pending() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.answers.size();
}

std::vector<std::string> transcript() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.transcript;
}

std::vector<std::string> cursorHistory() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.cursors;
}

void record(std::string line) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.transcript.push_back(std::move(line));
}

void recordCursor(std::string_view cursor) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.cursors.emplace_back(cursor);
}

void onUnanswered(std::function<int(const std::string& question)> handler) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.handler = std::move(handler);
}

void loadFile(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in) fatal("cannot read the script file \"" + file.string() + "\"");
    std::deque<Answer> answers;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        try {
            if (auto answer = parseLine(line)) answers.push_back(std::move(*answer));
        } catch (const std::invalid_argument& e) {
            fatal(file.string() + ":" + std::to_string(number) + ": " + e.what());
        }
    }
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.answers.insert(s.answers.begin(), answers.begin(), answers.end());
}

namespace {

// The next answer when it fits the question; otherwise the problem, and
// the answer, if any, is used up.
std::variant<Answer, std::string> next(std::string_view kind, const std::string& line, const Fits& fits) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.transcript.push_back(line);
    if (s.answers.empty()) return "unanswered question \"" + line + "\"";
    Answer answer = std::move(s.answers.front());
    s.answers.pop_front();
    if (const auto why = misfit(answer, kind, line, fits)) return "question \"" + line + "\": " + *why;
    return answer;
}

int unanswered(const std::string& problem) {
    std::function<int(const std::string&)> handler;
    {
        auto& s = state();
        std::lock_guard lock(s.mutex);
        handler = s.handler;
    }
    if (!handler) fatal("script: " + problem);
    return handler(problem);
}

// The next answer when it fits; otherwise nothing, once the handler has
// had the question (whatever it replies cancels it).
std::optional<Answer> answerOrCancel(std::string_view kind, const std::string& line, const Fits& fits) {
    auto answer = next(kind, line, fits);
    if (auto* a = std::get_if<Answer>(&answer)) return std::move(*a);
    unanswered(std::get<std::string>(answer));
    return std::nullopt;
}

}  // namespace

int ask(std::string_view kind, const std::string& line, const std::function<bool(int)>& fits) {
    auto answer = next(kind, line, [&](const Answer& a) { return fits(a.reply); });
    if (const auto* a = std::get_if<Answer>(&answer)) return a->reply;
    return unanswered(std::get<std::string>(answer));
}

std::optional<std::string> askPin(const std::string& line) {
    auto answer = next(kPin, line, [](const Answer&) { return true; });
    if (const auto* a = std::get_if<Answer>(&answer))
        return a->reply == IDCANCEL ? std::nullopt : std::optional<std::string>(a->replyText);
    const int reply = unanswered(std::get<std::string>(answer));
    return reply == IDCANCEL ? std::nullopt : std::optional<std::string>(std::to_string(reply));
}

std::optional<Credentials> askCredentials(const std::string& line) {
    const auto a = answerOrCancel(kCredentials, line, [](const Answer&) { return true; });
    if (!a || a->reply == IDCANCEL) return std::nullopt;
    const auto blank = a->replyText.find(' ');
    return Credentials{a->replyText.substr(0, blank), a->replyText.substr(blank + 1)};
}

std::optional<std::size_t> askChoice(std::string_view kind, const std::string& line, std::size_t rows) {
    const auto a = answerOrCancel(kind, line, [rows](const Answer& answer) {
        return answer.reply == kChoiceCancelled || static_cast<std::size_t>(answer.reply) < rows;
    });
    if (!a || a->reply == kChoiceCancelled) return std::nullopt;
    return static_cast<std::size_t>(a->reply);
}

bool nextIs(std::string_view kind) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return !s.answers.empty() && s.answers.front().kind == kind;
}

void reportProblem(const std::string& problem) { unanswered(problem); }

std::optional<std::string> askReply(std::string_view kind, const std::string& line,
                                    const std::function<bool(const std::string& reply)>& fits) {
    const auto a = answerOrCancel(kind, line, [&](const Answer& answer) { return fits(answer.replyText); });
    if (!a) return std::nullopt;
    return a->replyText;
}

}  // namespace platform::ui::script
