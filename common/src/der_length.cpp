// der_length.cpp: the length field of a DER element.
#include "common/der_length.h"

namespace {

constexpr BYTE kLongForm = 0x80;
constexpr DWORD kMaxLengthBytes = 3;

}  // namespace

DWORD DecodeDerLength(const BYTE* bytes, DWORD available, DWORD* length) {
    if (!bytes || available == 0) return 0;
    const BYTE first = bytes[0];
    if (first <= kLongForm) {
        if (length) *length = first & 0x7F;
        return 1;
    }
    const DWORD count = first & 0x7F;
    if (count > kMaxLengthBytes || count + 1 > available) return 0;
    DWORD value = 0;
    for (DWORD i = 1; i <= count; ++i) value = value << 8 | bytes[i];
    if (length) *length = value;
    return count + 1;
}
