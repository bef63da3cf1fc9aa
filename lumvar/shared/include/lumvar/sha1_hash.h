// A SHA-1 digest held as text: empty, or 40 upper-case hexadecimal digits.
// Every Sha1Hash computes through one CryptoAPI context shared by the
// process. init() and close() come in pairs: the context is acquired by the
// first init() and released by the close() that ends the last pair, so a
// caller that pairs them around each file does not pull the context from
// under a longer-lived holder. Hashing without a held context acquires one,
// kept until the next close() that leaves no holder.
#pragma once

#include <cstdint>
#include <string>

#include "lumvar/exported.h"
#include "win32/files.h"
#include "win32/types.h"

namespace lumvar {

class LUMVAR_EXPORTED Sha1Hash {
public:
    // How calcFromFile opens files: the client lets others write meanwhile
    // and names the system's error when the open fails; the upgrade process
    // shares for reading only and names no error.
    struct OpenRule {
        DWORD shareMode;
        bool reportsLastError;
    };
    static constexpr OpenRule kClientOpenRule{FILE_SHARE_READ | FILE_SHARE_WRITE, true};
    static constexpr OpenRule kUpgradeOpenRule{FILE_SHARE_READ, false};
    static void setOpenRule(OpenRule rule);

    // kOk or kCryptContext.
    static std::int32_t init();
    static std::int32_t close();

    bool operator==(const Sha1Hash& other) const { return m_text == other.m_text; }
    bool operator!=(const Sha1Hash& other) const { return m_text != other.m_text; }
    std::string print() const { return m_text; }

    // kOk; kDigestLength (text unchanged) unless 40 characters long;
    // kDigestCharacter (text emptied) for a character that is no
    // hexadecimal digit. Lower-case digits are stored upper-cased.
    std::int32_t loadFromString(const std::string& text);
    // kOk, or kOpenForHash, kCreateHash, kReadForHash, kHashData,
    // kDigestValue (pointer form: kNullArgument for null). On failure the
    // text stays as it was.
    std::int32_t calcFromFile(const std::u16string& path);
    std::int32_t calcFromFile(const WCHAR* path);

private:
    std::string m_text;
};

}  // namespace lumvar
