// Sha1Hash: digest texts, the shared CryptoAPI context and file digests.
#include "lumvar/sha1_hash.h"

#include <array>
#include <mutex>
#include <vector>

#include "lumvar/log_writer.h"
#include "lumvar/result_codes.h"
#include "platform/owned.h"
#include "win32/crypt_provider.h"
#include "win32/crypt_types.h"
#include "win32/error.h"
#include "win32/files.h"
#include "win32/sync.h"

namespace lumvar {
namespace {

using log::Level;

// Large pieces keep the per-call cost of reading and hashing small against
// the digest itself.
constexpr DWORD kPieceSize = 256 * 1024;
constexpr DWORD kDigestSize = 20;

struct Shared {
    std::mutex lock;
    HCRYPTPROV context = 0;
    unsigned holders = 0;
    Sha1Hash::OpenRule rule = Sha1Hash::kClientOpenRule;
};

Shared& shared() {
    static Shared s;
    return s;
}

bool acquire(Shared& s) {
    if (s.context) return true;
    if (CryptAcquireContextW(&s.context, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) return true;
    s.context = 0;
    log::write(Level::Error, u"Nepodařilo se získat kontext CAPI.");
    return false;
}

class HashHandle {
public:
    HashHandle() = default;
    ~HashHandle() {
        if (m_h) CryptDestroyHash(m_h);
    }
    HashHandle(const HashHandle&) = delete;
    HashHandle& operator=(const HashHandle&) = delete;
    HCRYPTHASH* out() { return &m_h; }
    HCRYPTHASH get() const { return m_h; }

private:
    HCRYPTHASH m_h = 0;
};

std::string hexUpper(const BYTE* bytes, DWORD count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (DWORD i = 0; i < count; ++i) {
        out.push_back(kDigits[bytes[i] >> 4]);
        out.push_back(kDigits[bytes[i] & 0xF]);
    }
    return out;
}

}  // namespace

void Sha1Hash::setOpenRule(OpenRule rule) {
    Shared& s = shared();
    std::lock_guard guard(s.lock);
    s.rule = rule;
}

std::int32_t Sha1Hash::init() {
    Shared& s = shared();
    std::lock_guard guard(s.lock);
    if (!acquire(s)) return kCryptContext;
    ++s.holders;
    return kOk;
}

std::int32_t Sha1Hash::close() {
    Shared& s = shared();
    std::lock_guard guard(s.lock);
    if (s.holders > 0) --s.holders;
    if (s.holders > 0 || !s.context) return kOk;
    const BOOL released = CryptReleaseContext(s.context, 0);
    s.context = 0;
    if (released) return kOk;
    log::write(Level::Error, u"Nepodařilo se uvolnit kontext CAPI");
    return kCryptContext;
}

std::int32_t Sha1Hash::loadFromString(const std::string& text) {
    if (text.size() != 2 * kDigestSize) {
        log::write(Level::Error, u"Neplatná délka SHA-1 hashe. (%d znaků, správně 40).", static_cast<int>(text.size()));
        return kDigestLength;
    }
    m_text.clear();
    for (char c : text) {
        const char upper = (c >= 'a' && c <= 'f') ? static_cast<char>(c - 'a' + 'A') : c;
        if (!((upper >= '0' && upper <= '9') || (upper >= 'A' && upper <= 'F'))) {
            log::write(Level::Error, u"Neplatný znak v načítaném SHA-1 hashi. (\"%hc\")", c);
            m_text.clear();
            return kDigestCharacter;
        }
        m_text.push_back(upper);
    }
    return kOk;
}

std::int32_t Sha1Hash::calcFromFile(const WCHAR* path) {
    if (!path) return kNullArgument;
    return calcFromFile(std::u16string(path));
}

std::int32_t Sha1Hash::calcFromFile(const std::u16string& path) {
    Shared& s = shared();
    // One digest at a time keeps the shared context from being released
    // while a digest still uses it.
    std::lock_guard guard(s.lock);
    const HANDLE opened = CreateFileW(path.c_str(), GENERIC_READ, s.rule.shareMode, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        if (s.rule.reportsLastError)
            log::write(Level::Error, u"Nepodařilo se otevřít soubor \"%ls\". LastError = %d", path.c_str(),
                       static_cast<int>(GetLastError()));
        else
            log::write(Level::Error, u"Nepodařilo se otevřít soubor \"%ls\".", path.c_str());
        return kOpenForHash;
    }
    const platform::Owned<void, CloseHandle> file(opened);
    HashHandle hash;
    if (!acquire(s) || !CryptCreateHash(s.context, CALG_SHA1, 0, 0, hash.out())) {
        log::write(Level::Error, u"Nepodařilo se vytvořit hash");
        return kCreateHash;
    }
    std::vector<BYTE> piece(kPieceSize);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), piece.data(), kPieceSize, &read, nullptr)) {
            log::write(Level::Error, u"Nastala chyba při čtení souboru \"%ls\".", path.c_str());
            return kReadForHash;
        }
        if (read == 0) break;
        if (!CryptHashData(hash.get(), piece.data(), read, 0)) {
            log::write(Level::Error, u"Vyskystla se chyba při hashování souboru \"%ls\".", path.c_str());
            return kHashData;
        }
    }
    std::array<BYTE, kDigestSize> value{};
    DWORD size = kDigestSize;
    if (!CryptGetHashParam(hash.get(), HP_HASHVAL, value.data(), &size, 0) || size != kDigestSize) {
        log::write(Level::Error, u"Nepodařilo se získat hash souboru \"%ls\".", path.c_str());
        return kDigestValue;
    }
    m_text = hexUpper(value.data(), size);
    return kOk;
}

}  // namespace lumvar
