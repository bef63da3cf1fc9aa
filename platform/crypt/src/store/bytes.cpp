#include "store/bytes.h"

namespace platform::crypt::store {

std::u16string hexUpper(View bytes) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string text;
    text.reserve(bytes.size() * 2);
    for (const BYTE b : bytes) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 0x0F]);
    }
    return text;
}

}  // namespace platform::crypt::store
