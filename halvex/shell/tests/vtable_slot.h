// The position of an interface's virtual member in its table of
// functions, for stand-ins that answer some members of a real object
// themselves.
#pragma once

#include <cstddef>
#include <cstring>

template <typename Member>
std::size_t VtableSlot(Member member) {
    // A pointer to a virtual member holds 1 + the byte offset of its entry.
    std::ptrdiff_t raw[2] = {};
    static_assert(sizeof(member) == sizeof(raw));
    std::memcpy(raw, &member, sizeof(raw));
    return static_cast<std::size_t>(raw[0] - 1) / sizeof(void*);
}
