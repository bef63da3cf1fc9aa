#include "store/stored_blob.h"

#include "platform/win_error.h"
#include "store/little_endian.h"

namespace platform::crypt::store {

namespace {
constexpr BYTE kMark[4] = {'T', 'S', 'K', 'B'};
constexpr DWORD kVersion = 1;
constexpr DWORD kEncodedId = 0;
}  // namespace

Bytes storedBlobOf(View encoded, const std::map<DWORD, Bytes>& properties) {
    Bytes out(std::begin(kMark), std::end(kMark));
    LeWriter w(out);
    w.dword(kVersion);
    w.dword(kEncodedId);
    w.counted(encoded);
    for (const auto& [id, value] : properties) {
        w.dword(id);
        w.counted(value);
    }
    return out;
}

StoredBlob readStoredBlob(View blob) {
    LeReader in(blob);
    if (!sameBytes(in.bytes(sizeof kMark), kMark)) throw WinError(ERROR_INVALID_DATA, "not a stored blob");
    if (in.dword() != kVersion) throw WinError(ERROR_INVALID_DATA, "stored blob of another version");
    if (in.dword() != kEncodedId) throw WinError(ERROR_INVALID_DATA, "stored blob without its encoding");
    StoredBlob stored{in.counted(), {}};
    DWORD last = kEncodedId;
    while (!in.atEnd()) {
        const DWORD id = in.dword();
        if (id <= last) throw WinError(ERROR_INVALID_DATA, "stored properties out of order");
        stored.properties.emplace_back(id, in.counted());
        last = id;
    }
    return stored;
}

}  // namespace platform::crypt::store
