#include "vpicc_reader_state.h"

#include <thread>

#include "win32/scard.h"

namespace testkit {

namespace {

class Context {
public:
    Context() {
        if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &m_context) != SCARD_S_SUCCESS) m_context = 0;
    }
    ~Context() {
        if (m_context) SCardReleaseContext(m_context);
    }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    SCARDCONTEXT get() const noexcept { return m_context; }

private:
    SCARDCONTEXT m_context = 0;
};

}  // namespace

std::optional<ReaderStatus> readerStatus(const std::string& reader) {
    const Context context;
    if (!context.get()) return std::nullopt;
    SCARD_READERSTATEA state{};
    state.szReader = reader.c_str();
    state.dwCurrentState = SCARD_STATE_UNAWARE;
    if (SCardGetStatusChangeA(context.get(), 0, &state, 1) != SCARD_S_SUCCESS) return std::nullopt;
    if (state.dwEventState & SCARD_STATE_UNKNOWN) return std::nullopt;
    ReaderStatus status;
    status.present = (state.dwEventState & SCARD_STATE_PRESENT) != 0;
    status.atr.assign(state.rgbAtr, state.rgbAtr + state.cbAtr);
    return status;
}

std::optional<std::vector<std::string>> listedReaders() {
    const Context context;
    if (!context.get()) return std::nullopt;
    std::string list(4096, '\0');
    DWORD length = static_cast<DWORD>(list.size());
    const LONG rv = SCardListReadersA(context.get(), nullptr, list.data(), &length);
    if (rv == SCARD_E_NO_READERS_AVAILABLE) return std::vector<std::string>{};
    if (rv != SCARD_S_SUCCESS) return std::nullopt;
    std::vector<std::string> names;
    for (std::size_t i = 0; i < length && list[i];) {
        names.emplace_back(list.c_str() + i);
        i += names.back().size() + 1;
    }
    return names;
}

bool waitForCard(const std::string& reader, bool wantPresent, const std::vector<std::uint8_t>& atr,
                 std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto status = readerStatus(reader);
        if (status && status->present == wantPresent && (!wantPresent || status->atr == atr)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace testkit
