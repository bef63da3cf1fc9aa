// TResource: the message table, its languages and its formatted texts.
#include "common/resource.h"

#include <cstdarg>
#include <memory>

#include "platform/text.h"
#include "win32/format.h"

namespace {

constexpr DWORD kErrorTextBase = 10000;
constexpr DWORD kMaxErrorNumber = 10000;

// The signing component's apartment thread alone creates, uses and releases
// the table, so the holder takes no lock.
std::unique_ptr<TResource> g_instance;

std::string ToAnsi(const char* utf8) { return utf8 ? platform::text::utf8ToAnsi(utf8) : std::string(); }

// _vsnprintf adds no NUL when it cuts the output; the zeroed byte behind the
// text part of the buffer ends the string then.
std::string FormatText(const std::string& format, va_list args) {
    char buffer[TResource::kMaxFormatLength + 1] = {};
    _vsnprintf(buffer, TResource::kMaxFormatLength, format.c_str(), args);
    return buffer;
}

}  // namespace

TResource* TResource::Instance() {
    if (!g_instance) g_instance = std::make_unique<TResource>(SignerMessageTable());
    return g_instance.get();
}

void TResource::ReleaseInstance() { g_instance.reset(); }

TResource::TResource(std::span<const TResourceRow> rows) : m_languageNames{{0, "CZ"}, {1, "SK"}, {2, "EN"}} {
    for (const TResourceRow& row : rows) m_table[row.id] = Texts{ToAnsi(row.cz), ToAnsi(row.sk), ToAnsi(row.en)};
}

bool TResource::SetLanguage(int index) {
    if (!m_languageNames.contains(index)) return false;
    m_language = index;
    return true;
}

std::string TResource::GetLanguageStr() const { return m_languageNames.at(m_language); }

std::string TResource::Lookup(DWORD id, int language) const {
    const auto row = m_table.find(id);
    if (row == m_table.end()) return {};
    const Texts& texts = row->second;
    // A negative index is as far out of the row as a large one.
    const auto index = static_cast<std::size_t>(language);
    return index < texts.size() ? texts[index] : texts[0];
}

std::string TResource::GetString(DWORD id) const { return Lookup(id, m_language); }

void TResource::FormatString(std::string& out, DWORD id, ...) const {
    va_list args;
    va_start(args, id);
    out = FormatText(GetString(id), args);
    va_end(args);
}

void TResource::FormatMessage(std::string& out, int number, ...) const {
    out.clear();
    // Taken as unsigned, a negative number is above the limit.
    const auto unsignedNumber = static_cast<DWORD>(number);
    if (unsignedNumber > kMaxErrorNumber) return;
    const std::string text = GetString(unsignedNumber + kErrorTextBase);
    if (text.empty()) return;
    va_list args;
    va_start(args, number);
    out = FormatText(text, args);
    va_end(args);
}

void TResource::FormatByKind(std::string& out, int count, DWORD idOne, DWORD idFew, DWORD idMany) const {
    const DWORD id = count == 1 ? idOne : (count >= 2 && count <= 4) ? idFew : idMany;
    FormatString(out, id, count);
}
