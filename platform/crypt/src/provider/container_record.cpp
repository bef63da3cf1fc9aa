#include "container_record.h"
#include "decoded_keys.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <array>

#include "platform/text.h"
#include "platform/win_error.h"
#include "win32/crypt_provider.h"

namespace platform::crypt::provider {

namespace {

constexpr std::array<BYTE, 8> kMagic{'T', 'E', 'S', 'K', 'K', 'E', 'Y', 'S'};
constexpr DWORD kVersion = 1;
constexpr BYTE kName = 1;
constexpr BYTE kKeyPair = 2;
constexpr BYTE kCertificate = 3;
constexpr BYTE kExportable = 1;
constexpr std::size_t kDigestSize = 32;

std::array<BYTE, kDigestSize> digestOf(View data) {
    std::array<BYTE, kDigestSize> digest{};
    unsigned int size = 0;
    if (EVP_Digest(data.data(), data.size(), digest.data(), &size, EVP_sha256(), nullptr) != 1)
        throwOpenSsl(static_cast<DWORD>(NTE_FAIL), "EVP_Digest");
    return digest;
}

void appendU32(Bytes& out, DWORD v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(v >> (8 * i)));
}

void appendRecord(Bytes& out, BYTE tag, DWORD spec, View value) {
    out.push_back(tag);
    out.push_back(static_cast<BYTE>(spec));
    appendU32(out, static_cast<DWORD>(value.size()));
    out.insert(out.end(), value.begin(), value.end());
}

[[noreturn]] void damaged(const std::string& why) { throw WinError(NTE_KEYSET_ENTRY_BAD, "damaged key container: " + why); }

class Cursor {
public:
    explicit Cursor(View data) : m_rest(data) {}
    bool atEnd() const { return m_rest.empty(); }
    View take(std::size_t n) {
        if (m_rest.size() < n) damaged("truncated");
        const View out = m_rest.first(n);
        m_rest = m_rest.subspan(n);
        return out;
    }
    DWORD u32() {
        const View b = take(4);
        return static_cast<DWORD>(b[0]) | static_cast<DWORD>(b[1]) << 8 | static_cast<DWORD>(b[2]) << 16 |
               static_cast<DWORD>(b[3]) << 24;
    }

private:
    View m_rest;
};

}  // namespace

SharedPKey share(PKey key) { return SharedPKey(key.release(), EVP_PKEY_free); }

Bytes serialize(const ContainerRecord& record) {
    Bytes out(kMagic.begin(), kMagic.end());
    appendU32(out, kVersion);
    const std::string name = text::toUtf8(record.name);
    appendRecord(out, kName, 0, {reinterpret_cast<const BYTE*>(name.data()), name.size()});
    for (const auto& [spec, key] : record.keys) {
        Bytes value{static_cast<BYTE>(key.exportable ? kExportable : 0)};
        const Bytes der = privateKeyDer(*key.pair);
        value.insert(value.end(), der.begin(), der.end());
        appendRecord(out, kKeyPair, spec, value);
        OPENSSL_cleanse(value.data(), value.size());
        if (key.certificate) appendRecord(out, kCertificate, spec, *key.certificate);
    }
    const auto digest = digestOf(out);
    out.insert(out.end(), digest.begin(), digest.end());
    return out;
}

ContainerRecord parseContainer(View file) {
    if (file.size() < kDigestSize) damaged("truncated");
    const View body = file.first(file.size() - kDigestSize);
    const auto digest = digestOf(body);
    if (!std::equal(digest.begin(), digest.end(), file.begin() + static_cast<std::ptrdiff_t>(body.size())))
        damaged("its digest does not match");
    Cursor in(body);
    const View magic = in.take(kMagic.size());
    if (!std::equal(magic.begin(), magic.end(), kMagic.begin())) damaged("not a key container");
    if (in.u32() != kVersion) damaged("unknown version");

    ContainerRecord record;
    bool named = false;
    while (!in.atEnd()) {
        const BYTE tag = in.take(1)[0];
        const DWORD spec = in.take(1)[0];
        const View value = in.take(in.u32());
        if (tag == kName && !named && spec == 0) {
            record.name = text::fromUtf8({reinterpret_cast<const char*>(value.data()), value.size()});
            named = true;
        } else if (tag == kKeyPair && named && (spec == AT_KEYEXCHANGE || spec == AT_SIGNATURE) &&
                   !record.keys.count(spec) && !value.empty()) {
            record.keys[spec] = StoredKey{decodedPrivateKey(value.subspan(1), NTE_KEYSET_ENTRY_BAD),
                                          (value[0] & kExportable) != 0, std::nullopt};
        } else if (tag == kCertificate && record.keys.count(spec) && !record.keys[spec].certificate) {
            record.keys[spec].certificate = Bytes(value.begin(), value.end());
        } else {
            damaged("unexpected record " + std::to_string(tag));
        }
    }
    if (!named) damaged("no name");
    return record;
}

}  // namespace platform::crypt::provider
