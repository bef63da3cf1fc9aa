#include "out_text.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/buffers.h"
#include "platform/win_error.h"
#include "win32/error_codes.h"
#include "win32/scard.h"

namespace platform::scard {

namespace {

class AutoAllocations {
public:
    void* keep(std::unique_ptr<std::byte[]> block) {
        std::lock_guard lock(m_mutex);
        void* p = block.get();
        m_blocks.emplace(p, std::move(block));
        return p;
    }
    bool free(const void* p) {
        std::lock_guard lock(m_mutex);
        return m_blocks.erase(const_cast<void*>(p)) != 0;
    }

private:
    std::mutex m_mutex;
    std::unordered_map<void*, std::unique_ptr<std::byte[]>> m_blocks;
};

AutoAllocations& allocations() {
    static AutoAllocations a;
    return a;
}

template <class Char>
void copyOut(std::basic_string_view<Char> value, Char* out, DWORD* pcch) {
    if (!pcch) throw WinError(SCARD_E_INVALID_PARAMETER, "null size pointer");
    if (*pcch != SCARD_AUTOALLOCATE) {
        copyOutText(value, out, pcch, static_cast<DWORD>(SCARD_E_INSUFFICIENT_BUFFER));
        return;
    }
    if (!out) throw WinError(SCARD_E_INVALID_PARAMETER, "SCARD_AUTOALLOCATE without a pointer to receive the block");
    const std::size_t bytes = (value.size() + 1) * sizeof(Char);
    auto block = std::make_unique<std::byte[]>(bytes);  // zero-filled: the final NUL
    std::memcpy(block.get(), value.data(), value.size() * sizeof(Char));
    *reinterpret_cast<Char**>(out) = static_cast<Char*>(allocations().keep(std::move(block)));
    *pcch = static_cast<DWORD>(value.size() + 1);
}

template <class Char>
std::basic_string<Char> joined(const std::vector<std::basic_string<Char>>& items) {
    std::basic_string<Char> all;
    for (const auto& item : items) {
        all += item;
        all += Char{};
    }
    if (items.empty()) all += Char{};
    return all;  // the closing NUL is added by copyOut
}

}  // namespace

void copyOutString(std::string_view value, char* out, DWORD* pcch) { copyOut(value, out, pcch); }
void copyOutString(std::u16string_view value, WCHAR* out, DWORD* pcch) { copyOut(value, out, pcch); }

void copyOutMultiString(const std::vector<std::string>& items, char* out, DWORD* pcch) {
    copyOut(std::string_view(joined(items)), out, pcch);
}
void copyOutMultiString(const std::vector<std::u16string>& items, WCHAR* out, DWORD* pcch) {
    copyOut(std::u16string_view(joined(items)), out, pcch);
}

bool freeAutoAllocated(const void* block) noexcept {
    try {
        return allocations().free(block);
    } catch (...) {
        return false;
    }
}

}  // namespace platform::scard
