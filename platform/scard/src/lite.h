// The calls into pcsc-lite, in types that are neither pcsc-lite's nor ours:
// pcsc-lite's DWORD is 64 bits where ours is 32, so the two never meet in one
// translation unit. lite.cpp includes pcsc-lite and nothing of ours; the
// SCard* entry points include this and nothing of pcsc-lite.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform::scard::lite {

// Every call returns pcsc-lite's own result; result_codes.h turns it into
// the WinSCard code. Contexts and card handles are pcsc-lite's values.
using Result = std::int64_t;
using Handle = std::int64_t;

Result establishContext(std::uint32_t scope, Handle& context);
Result releaseContext(Handle context);
Result isValidContext(Handle context);
Result cancel(Handle context);

// The readers of all groups, in pcsc-lite's order, with UTF-8 names.
Result listReaders(Handle context, std::vector<std::string>& utf8Names);

struct ReaderState {
    std::string utf8Name;
    std::uint32_t currentState = 0;
    std::uint32_t eventState = 0;
    std::vector<std::uint8_t> atr;  // at most 33 bytes, pcsc-lite's limit
};
Result getStatusChange(Handle context, std::uint32_t timeout, std::vector<ReaderState>& states);

// Protocols are numbered as WinSCard numbers them (T=0 1, T=1 2, raw 0x10000).
Result connect(Handle context, const std::string& utf8Reader, std::uint32_t shareMode, std::uint32_t protocols,
               Handle& card, std::uint32_t& activeProtocol);
Result disconnect(Handle card, std::uint32_t disposition);
// The room for the answer is received.size() on entry; on success it is cut
// to the answer's length.
Result transmit(Handle card, std::uint32_t protocol, std::span<const std::uint8_t> sent,
                std::vector<std::uint8_t>& received);

}  // namespace platform::scard::lite
