// Listing readers and asking for their state. pcsc-lite names readers in
// UTF-8; the narrow forms convert from and to the ANSI code page.
#include <algorithm>
#include <cstring>

#include "handles.h"
#include "out_text.h"
#include "platform/boundary.h"
#include "platform/text.h"
#include "result_codes.h"
#include "win32/error_codes.h"
#include "win32/scard.h"

using namespace platform;
using namespace platform::scard;

namespace {

std::string utf8Of(const char* ansi) { return text::ansiToUtf8(ansi); }
std::string utf8Of(const WCHAR* wide) { return text::toUtf8(wide); }
void convert(const std::string& utf8, std::string& ansi) { ansi = text::utf8ToAnsi(utf8); }
void convert(const std::string& utf8, std::u16string& wide) { wide = text::fromUtf8(utf8); }

// Reader groups are not kept: every reader belongs to every group.
template <class Char>
void listReaders(SCARDCONTEXT hContext, Char* mszReaders, DWORD* pcchReaders) {
    if (!pcchReaders) throw WinError(SCARD_E_INVALID_PARAMETER, "null size pointer");
    std::vector<std::string> utf8;
    check(lite::listReaders(contexts().get(hContext)->lite, utf8), "SCardListReaders");
    std::vector<std::basic_string<Char>> names(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) convert(utf8[i], names[i]);
    copyOutMultiString(names, mszReaders, pcchReaders);
}

template <class State>
void getStatusChange(SCARDCONTEXT hContext, DWORD dwTimeout, State* rgReaderStates, DWORD cReaders) {
    if (cReaders && !rgReaderStates) throw WinError(SCARD_E_INVALID_PARAMETER, "null reader states");
    const auto context = contexts().get(hContext)->lite;
    std::vector<lite::ReaderState> states(cReaders);
    for (DWORD i = 0; i < cReaders; ++i) {
        if (!rgReaderStates[i].szReader) throw WinError(SCARD_E_INVALID_PARAMETER, "null reader name");
        states[i].utf8Name = utf8Of(rgReaderStates[i].szReader);
        states[i].currentState = rgReaderStates[i].dwCurrentState;
    }
    check(lite::getStatusChange(context, dwTimeout, states), "SCardGetStatusChange");
    for (DWORD i = 0; i < cReaders; ++i) {
        State& out = rgReaderStates[i];
        out.dwEventState = states[i].eventState;
        // pcsc-lite's ATR buffer is 33 bytes, ours 36: the rest stays zero.
        std::memset(out.rgbAtr, 0, sizeof out.rgbAtr);
        std::copy(states[i].atr.begin(), states[i].atr.end(), out.rgbAtr);
        out.cbAtr = static_cast<DWORD>(states[i].atr.size());
    }
}

}  // namespace

LONG SCardListReadersA(SCARDCONTEXT hContext, LPCSTR, LPSTR mszReaders, LPDWORD pcchReaders) noexcept {
    return winLong([&] { listReaders(hContext, mszReaders, pcchReaders); });
}

LONG SCardListReadersW(SCARDCONTEXT hContext, LPCWSTR, LPWSTR mszReaders, LPDWORD pcchReaders) noexcept {
    return winLong([&] { listReaders(hContext, mszReaders, pcchReaders); });
}

LONG SCardGetStatusChangeA(SCARDCONTEXT hContext, DWORD dwTimeout, LPSCARD_READERSTATEA rgReaderStates,
                           DWORD cReaders) noexcept {
    return winLong([&] { getStatusChange(hContext, dwTimeout, rgReaderStates, cReaders); });
}

LONG SCardGetStatusChangeW(SCARDCONTEXT hContext, DWORD dwTimeout, LPSCARD_READERSTATEW rgReaderStates,
                           DWORD cReaders) noexcept {
    return winLong([&] { getStatusChange(hContext, dwTimeout, rgReaderStates, cReaders); });
}
