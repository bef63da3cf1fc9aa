// Reading the trusted list's text into records, and looking records up.
#include "signer_trusted_list_format.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "common/strings.h"
#include "win32/datetime.h"

namespace {

constexpr std::string_view kFile = "FILE=";
constexpr std::string_view kHash = "HASH";
constexpr std::string_view kNotice = "NOTICE=";
constexpr std::string_view kNotAfter = " NotAfter";
constexpr std::size_t kTimeDigits = 14;

// What ParseField makes of a field: the part of a record it filled, or
// kUnreadable.
enum Part { kUnreadable = 0, kFilePart = 1, kHashPart = 2, kNoticePart = 3 };

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

bool equalNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

int numberAt(std::string_view digits, std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) value = value * 10 + (digits[i] - '0');
    return value;
}

// The UTC time of the text: its first run of digits, which must be 14 long
// and followed by "Z" or "z", read as YYYYMMDDhhmmss. A time no calendar
// has (month 13, 31 April, hour 24) is refused.
bool utcTimeOf(std::string_view text, std::string& timeText, FILETIME& time) {
    const auto first = std::find_if(text.begin(), text.end(), isDigit);
    const auto last = std::find_if_not(first, text.end(), isDigit);
    if (last - first != static_cast<std::ptrdiff_t>(kTimeDigits) || last == text.end() ||
        (*last != 'Z' && *last != 'z'))
        return false;
    const std::string_view digits(&*first, kTimeDigits);
    SYSTEMTIME parts{};
    parts.wYear = static_cast<WORD>(numberAt(digits, 0, 4));
    parts.wMonth = static_cast<WORD>(numberAt(digits, 4, 2));
    parts.wDay = static_cast<WORD>(numberAt(digits, 6, 2));
    parts.wHour = static_cast<WORD>(numberAt(digits, 8, 2));
    parts.wMinute = static_cast<WORD>(numberAt(digits, 10, 2));
    parts.wSecond = static_cast<WORD>(numberAt(digits, 12, 2));
    FILETIME converted{};
    SYSTEMTIME back{};
    // The conversion normalises some out-of-range fields instead of failing;
    // a time that does not come back as written is no time.
    if (!SystemTimeToFileTime(&parts, &converted) || !FileTimeToSystemTime(&converted, &back) ||
        back.wYear != parts.wYear || back.wMonth != parts.wMonth || back.wDay != parts.wDay ||
        back.wHour != parts.wHour || back.wMinute != parts.wMinute || back.wSecond != parts.wSecond)
        return false;
    timeText = std::string(digits) + "Z";
    time = converted;
    return true;
}

std::string trimmed(std::string_view text) {
    std::string out(text);
    StrTrim(out, " ");
    return out;
}

Part parseFile(const std::string& field, TrustedListRecord& record) {
    record.fileText = field;
    record.fileValue = field.substr(std::min(field.size(), kFile.size()));
    std::size_t separator = record.fileValue.rfind('/');
    if (separator == std::string::npos) separator = record.fileValue.rfind('\\');
    if (separator == std::string::npos) return kUnreadable;
    record.folder = record.fileValue.substr(0, separator);
    record.name = record.fileValue.substr(separator + 1);
    const std::size_t dot = record.name.rfind('.');
    if (dot == std::string::npos) return kUnreadable;
    record.extension = record.name.substr(dot + 1);
    if (!utcTimeOf(record.name, record.fileTimeText, record.fileTime)) return kUnreadable;
    return kFilePart;
}

Part parseHash(const std::string& field, TrustedListRecord& record) {
    record.hashText = field;
    const std::size_t equals = field.rfind('=');
    if (equals == std::string::npos) return kUnreadable;
    record.hashValue = field.substr(equals + 1);
    const std::size_t open = field.find('(');
    const std::size_t lastColon = field.rfind(':');
    if (open == std::string::npos || lastColon == std::string::npos || lastColon < open) return kUnreadable;
    record.hashAlgorithm = field.substr(open + 1, lastColon - open - 1);
    const std::size_t firstColon = field.find(':');
    const std::size_t close = field.rfind(')');
    if (close == std::string::npos || close < firstColon) return kUnreadable;
    record.hashAlgorithmOid = field.substr(firstColon + 1, close - firstColon - 1);
    return kHashPart;
}

// The items after " NotAfter": name=value pairs separated by ","; the value
// of FieldOfApplication runs to the end and keeps its commas.
void readItems(std::string_view rest, TrustedListRecord& record) {
    std::size_t i = 1;
    while (i < rest.size()) {
        if (rest[i] == ',' || rest[i] == ' ') {
            ++i;
            continue;
        }
        // Without another "=" no item follows.
        const std::size_t equals = rest.find('=', i);
        if (equals == std::string_view::npos) break;
        std::string name = trimmed(rest.substr(i, equals - i));
        std::size_t end = rest.size();
        if (!equalNoCase(name, "FieldOfApplication")) end = std::min(rest.find(',', equals + 1), rest.size());
        record.items.emplace_back(std::move(name), trimmed(rest.substr(equals + 1, end - equals - 1)));
        i = end;
    }
}

Part parseNotice(const std::string& field, TrustedListRecord& record) {
    record.noticeText = field;
    if (!field.starts_with(kNotice)) return kUnreadable;
    std::string_view rest(field);
    rest.remove_prefix(kNotice.size());
    rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
    if (!utcTimeOf(rest, record.notAfterText, record.notAfter)) return kUnreadable;
    // The time must open the notice; its "Z" may be written in either case.
    if (rest.size() < kTimeDigits + 1 || !equalNoCase(rest.substr(0, kTimeDigits + 1), record.notAfterText))
        return kUnreadable;
    rest.remove_prefix(kTimeDigits + 1);
    if (!rest.starts_with(kNotAfter)) return kUnreadable;
    rest.remove_prefix(kNotAfter.size());
    readItems(rest, record);
    return kNoticePart;
}

// Fills the part of the record that the field's first keyword names.
Part parseField(const std::string& field, TrustedListRecord& record) {
    for (std::size_t p = 0; p < field.size(); ++p) {
        const std::string_view at = std::string_view(field).substr(p);
        if (at.starts_with(kFile)) return parseFile(field, record);
        if (at.starts_with(kHash)) return parseHash(field, record);
        if (at.starts_with(kNotice)) return parseNotice(field, record);
    }
    return kUnreadable;
}

// The length of the keyword that the text ends with, when it does not also
// start there; 0 for none.
std::size_t keywordAtEnd(std::string_view text) {
    for (const std::string_view keyword : {kFile, kHash, kNotice})
        if (text.size() > keyword.size() && text.ends_with(keyword)) return keyword.size();
    return 0;
}

}  // namespace

int TrustedList::LoadFromMemory(const std::vector<BYTE>& bytes) {
    m_records.clear();
    std::string text;
    text.reserve(bytes.size());
    for (const BYTE b : bytes)
        if (b != '\r' && b != '\n') text.push_back(static_cast<char>(b));

    TrustedListRecord record;
    int expected = kFilePart;
    // Parses one field into the record; false when it is not the part due.
    auto take = [&](const std::string& field) {
        const int part = parseField(field, record);
        if (part != expected) return false;
        if (part == kNoticePart) {
            m_records.push_back(std::move(record));
            record = TrustedListRecord{};
            expected = kFilePart;
        } else {
            expected = part + 1;
        }
        return true;
    };

    std::size_t start = 0;
    for (std::size_t end = 1; end <= text.size(); ++end) {
        const std::size_t keyword = keywordAtEnd(std::string_view(text).substr(start, end - start));
        if (!keyword) continue;
        if (!take(text.substr(start, end - keyword - start))) return kFormatError;
        start = end - keyword;
    }
    if (start < text.size() && !take(text.substr(start))) return kFormatError;
    return kRead;
}

bool TrustedList::Select(Kind kind, const std::string& algorithmOid, const std::string& digest,
                         TrustedListRecord& out) const {
    const char* marker = kind == kSignaturePolicy ? "signaturePolicy" : "trustedCertificate";
    for (const TrustedListRecord& record : m_records) {
        if (!CaseInsensitiveFind(record.name, marker)) continue;
        if (equalNoCase(record.hashAlgorithmOid, algorithmOid) && equalNoCase(record.hashValue, digest)) {
            out = record;
            return true;
        }
    }
    return false;
}

std::string TrustedList::GetValue(const TrustedListRecord& record, const std::string& name) {
    for (const auto& [itemName, value] : record.items)
        if (equalNoCase(itemName, name)) return value;
    return {};
}
