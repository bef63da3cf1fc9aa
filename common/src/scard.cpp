// TSCard: readers, card presence, ATRs and card CSPs over PC/SC and the
// smart-card database. One body per operation serves the narrow form (with
// its log lines) and the wide form (silent); Api<Text> names the calls.
#include "common/scard.h"

#include <algorithm>
#include <cstring>

#include "common/log.h"
#include "common/system_error.h"
#include "win32/error.h"
#include "win32/registry.h"

namespace {

constexpr std::size_t kAtrBuffer = SCARD_ATR_BUFFER;  // 36
constexpr DWORD kCspValueBytes = 512;

template <class Text>
struct Api;

template <>
struct Api<std::string> {
    using Char = char;
    using ReaderState = SCARD_READERSTATEA;
    static constexpr bool kLogs = true;
    static constexpr const char* kDatabaseKey = "SOFTWARE\\Microsoft\\Cryptography\\Calais\\SmartCards\\";
    static constexpr const char* kCryptoProvider = "Crypto Provider";
    static constexpr const char* kDravik = "Tesk Dravik v1.0";
    static constexpr const char* kDravikCsp = "Tesk Dravik CSP v1.0";

    static LONG listReaders(SCARDCONTEXT c, Char* out, DWORD* n) { return SCardListReadersA(c, nullptr, out, n); }
    static LONG listCards(SCARDCONTEXT c, const BYTE* atr, Char* out, DWORD* n) {
        return SCardListCardsA(c, atr, nullptr, 0, out, n);
    }
    static LONG getStatusChange(SCARDCONTEXT c, DWORD timeout, ReaderState* states, DWORD n) {
        return SCardGetStatusChangeA(c, timeout, states, n);
    }
    static LONG openKey(const std::string& path, HKEY* key) {
        return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, key);
    }
    static LONG queryValue(HKEY key, BYTE* data, DWORD* size) {
        return RegQueryValueExA(key, kCryptoProvider, nullptr, nullptr, data, size);
    }
};

template <>
struct Api<std::u16string> {
    using Char = char16_t;
    using ReaderState = SCARD_READERSTATEW;
    static constexpr bool kLogs = false;
    static constexpr const char16_t* kDatabaseKey = u"SOFTWARE\\Microsoft\\Cryptography\\Calais\\SmartCards\\";
    static constexpr const char16_t* kCryptoProvider = u"Crypto Provider";
    static constexpr const char16_t* kDravik = u"Tesk Dravik v1.0";
    static constexpr const char16_t* kDravikCsp = u"Tesk Dravik CSP v1.0";

    static LONG listReaders(SCARDCONTEXT c, Char* out, DWORD* n) { return SCardListReadersW(c, nullptr, out, n); }
    static LONG listCards(SCARDCONTEXT c, const BYTE* atr, Char* out, DWORD* n) {
        return SCardListCardsW(c, atr, nullptr, 0, out, n);
    }
    static LONG getStatusChange(SCARDCONTEXT c, DWORD timeout, ReaderState* states, DWORD n) {
        return SCardGetStatusChangeW(c, timeout, states, n);
    }
    static LONG openKey(const std::u16string& path, HKEY* key) {
        return RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, key);
    }
    static LONG queryValue(HKEY key, BYTE* data, DWORD* size) {
        return RegQueryValueExW(key, kCryptoProvider, nullptr, nullptr, data, size);
    }
};

// "<call>(): failed 0x%x, %s" at level 2. The SCard* calls leave the thread's
// last error alone, so it is set to the result first: the system text then
// describes this failure rather than an older one.
void logFailure(const char* format, LONG result) {
    SetLastError(static_cast<DWORD>(result));
    TLogStrVect::Instance()->Print(sgLogLevelWarns, format, static_cast<unsigned>(result),
                                   GetSystemErrorText().c_str());
}

SCARDCONTEXT openContext(bool log) {
    SCARDCONTEXT context = 0;
    const LONG rv = SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context);
    if (rv == SCARD_S_SUCCESS) return context;
    if (log) logFailure("SCardEstablishContext(): failed 0x%x, %s", rv);
    return 0;
}

// A context for the length of one operation.
class ScopedContext {
public:
    explicit ScopedContext(bool log) : m_context(openContext(log)) {}
    ~ScopedContext() {
        if (m_context) SCardReleaseContext(m_context);
    }
    ScopedContext(const ScopedContext&) = delete;
    ScopedContext& operator=(const ScopedContext&) = delete;
    explicit operator bool() const noexcept { return m_context != 0; }
    SCARDCONTEXT get() const noexcept { return m_context; }

private:
    SCARDCONTEXT m_context;
};

// A multi-string received with SCARD_AUTOALLOCATE, split into its items.
template <class Char>
std::vector<std::basic_string<Char>> takeMultiString(SCARDCONTEXT context, Char* block, DWORD length) {
    std::vector<std::basic_string<Char>> items;
    for (DWORD i = 0; i < length && block[i];) {
        std::basic_string<Char> item(block + i);
        i += static_cast<DWORD>(item.size()) + 1;
        items.push_back(std::move(item));
    }
    SCardFreeMemory(context, block);
    return items;
}

template <class Text>
bool getReaderList(std::vector<Text>& out) {
    using A = Api<Text>;
    const ScopedContext context(A::kLogs);
    if (!context) return false;
    typename A::Char* block = nullptr;
    DWORD length = SCARD_AUTOALLOCATE;
    const LONG rv = A::listReaders(context.get(), reinterpret_cast<typename A::Char*>(&block), &length);
    if (rv != SCARD_S_SUCCESS) {
        if constexpr (A::kLogs) {
            if (rv == SCARD_E_NO_READERS_AVAILABLE)
                TLogStrVect::Instance()->Print(sgLogLevelWarns, "SCardListReaders(): Cannot find a smart card reader.");
            else
                logFailure("SCardListReaders(): failed 0x%x, %s", rv);
        }
        return false;
    }
    for (auto& reader : takeMultiString(context.get(), block, length)) {
        if constexpr (A::kLogs)
            TLogStrVect::Instance()->Print(sgLogLevelDebug, "GetReaderList(): reader '%s'", reader.c_str());
        out.push_back(std::move(reader));
    }
    return true;
}

template <class Text>
bool getCardCsp(const Text& card, Text& out) {
    using A = Api<Text>;
    HKEY key = nullptr;
    if (A::openKey(Text(A::kDatabaseKey) + card, &key) != static_cast<LONG>(ERROR_SUCCESS)) return false;
    // One byte more than the value may fill, so the text always ends.
    std::vector<BYTE> data(kCspValueBytes + sizeof(typename A::Char), 0);
    DWORD size = kCspValueBytes;
    const LONG rv = A::queryValue(key, data.data(), &size);
    RegCloseKey(key);
    if (rv != static_cast<LONG>(ERROR_SUCCESS)) return false;
    Text text(reinterpret_cast<const typename A::Char*>(data.data()));
    out = text == A::kDravik ? Text(A::kDravikCsp) : text;
    return true;
}

template <class Text>
bool listCards(const std::vector<BYTE>& atr, std::map<Text, Text>& out) {
    using A = Api<Text>;
    const ScopedContext context(A::kLogs);
    if (!context) return false;
    // The ATR is passed without its length, so it goes in a zero-padded
    // buffer of the full size: the database never reads past the caller's
    // bytes.
    LONG rv = SCARD_E_INVALID_ATR;
    typename A::Char* block = nullptr;
    DWORD length = SCARD_AUTOALLOCATE;
    if (!atr.empty() && atr.size() <= kAtrBuffer) {
        BYTE padded[kAtrBuffer] = {};
        std::copy(atr.begin(), atr.end(), padded);
        rv = A::listCards(context.get(), padded, reinterpret_cast<typename A::Char*>(&block), &length);
    }
    if (rv != SCARD_S_SUCCESS) {
        if constexpr (A::kLogs) logFailure("SCardListCards(): failed 0x%x, %s", rv);
        return false;
    }
    for (auto& name : takeMultiString(context.get(), block, length)) {
        Text csp;
        if (!getCardCsp(name, csp)) csp.clear();
        out[std::move(name)] = std::move(csp);
    }
    return true;
}

template <class Text>
bool waitStatus(std::vector<BasicSCardReaderInfo<Text>>& readers, DWORD timeoutMs) {
    using A = Api<Text>;
    if (readers.empty()) return false;
    const ScopedContext context(A::kLogs);
    if (!context) return false;
    std::vector<typename A::ReaderState> states(readers.size());
    for (std::size_t i = 0; i < readers.size(); ++i) {
        states[i].szReader = readers[i].reader.c_str();
        states[i].dwCurrentState = SCARD_STATE_UNAWARE;
    }
    const LONG rv = A::getStatusChange(context.get(), timeoutMs, states.data(), static_cast<DWORD>(states.size()));
    if (rv != SCARD_S_SUCCESS) {
        if constexpr (A::kLogs) logFailure("SCardGetStatusChange(): failed 0x%x, %s", rv);
        return false;
    }
    bool anyCard = false;
    for (std::size_t i = 0; i < readers.size(); ++i) {
        auto& record = readers[i];
        record.present = states[i].dwEventState & SCARD_STATE_PRESENT;
        if (!record.present) continue;
        anyCard = true;
        // A longer ATR counts as present but gets no ATR and no card names.
        if (states[i].cbAtr < 1 || states[i].cbAtr > kAtrBuffer) continue;
        record.atr.assign(kAtrBuffer, 0);
        std::copy_n(states[i].rgbAtr, states[i].cbAtr, record.atr.begin());
        listCards(record.atr, record.cards);
    }
    return anyCard;
}

template <class Text>
bool getReaders(std::vector<BasicSCardReaderInfo<Text>>& out) {
    std::vector<Text> names;
    if (!getReaderList(names)) return false;
    for (auto& name : names) out.push_back({std::move(name), {}, {}, 0});
    return true;
}

// No exception leaves an operation: running out of memory is a failure.
template <class Body>
bool guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return false;
    }
}

}  // namespace

TSCard::TSCard() : m_context(Open()) {}

TSCard::~TSCard() {
    if (m_context) SCardReleaseContext(m_context);
}

SCARDCONTEXT TSCard::Open() { return openContext(true); }

bool TSCard::GetReaderList(std::vector<std::string>& out) {
    return guarded([&] { return getReaderList(out); });
}
bool TSCard::GetReaderList(std::vector<std::u16string>& out) {
    return guarded([&] { return getReaderList(out); });
}
bool TSCard::GetReaders(std::vector<SCardReaderInfo>& out) {
    return guarded([&] { return getReaders(out); });
}
bool TSCard::GetReaders(std::vector<SCardReaderInfoW>& out) {
    return guarded([&] { return getReaders(out); });
}
bool TSCard::WaitStatus(std::vector<SCardReaderInfo>& readers, DWORD timeoutMs) {
    return guarded([&] { return waitStatus(readers, timeoutMs); });
}
bool TSCard::WaitStatus(std::vector<SCardReaderInfoW>& readers, DWORD timeoutMs) {
    return guarded([&] { return waitStatus(readers, timeoutMs); });
}
bool TSCard::ListCards(const std::vector<BYTE>& atr, std::map<std::string, std::string>& out) {
    return guarded([&] { return listCards(atr, out); });
}
bool TSCard::ListCards(const std::vector<BYTE>& atr, std::map<std::u16string, std::u16string>& out) {
    return guarded([&] { return listCards(atr, out); });
}
bool TSCard::GetCardCSP(const std::string& card, std::string& out) {
    return guarded([&] { return getCardCsp(card, out); });
}
bool TSCard::GetCardCSP(const std::u16string& card, std::u16string& out) {
    return guarded([&] { return getCardCsp(card, out); });
}
