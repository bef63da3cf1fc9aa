// CryptMsgUpdate over hostile bytes: the first byte chooses the detached
// flag and where the input is cut into two pieces; a message that decodes
// is then asked for every parameter at the first indexes. Hashing runs
// through one provider acquired at start, in a machine of its own.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "win32/crypt_msg.h"
#include "win32/crypt_provider.h"

namespace {

HCRYPTPROV g_provider = 0;

void queryEverything(HCRYPTMSG msg) {
    for (DWORD param = 1; param <= 30; ++param) {
        for (DWORD index = 0; index < 3; ++index) {
            DWORD size = 0;
            if (!CryptMsgGetParam(msg, param, index, nullptr, &size)) continue;
            std::vector<BYTE> value(size);
            CryptMsgGetParam(msg, param, index, value.data(), &size);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static std::string root = "/tmp/crypt-fuzz-message-XXXXXX";
    if (!mkdtemp(root.data())) std::abort();
    setenv("PLATFORM_ROOT", root.c_str(), 1);
    if (!CryptAcquireContextA(&g_provider, nullptr, MS_ENH_RSA_AES_PROV_A, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const bool detached = data[0] & 0x80;
    const std::size_t message = size - 1;
    const std::size_t cut = message ? (data[0] & 0x7F) * message / 0x7F : 0;
    HCRYPTMSG msg = CryptMsgOpenToDecode(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, detached ? CMSG_DETACHED_FLAG : 0, 0,
                                         g_provider, nullptr, nullptr);
    const BYTE* bytes = data + 1;
    if (CryptMsgUpdate(msg, bytes, static_cast<DWORD>(cut), FALSE) &&
        CryptMsgUpdate(msg, bytes + cut, static_cast<DWORD>(message - cut), TRUE)) {
        if (detached) CryptMsgUpdate(msg, bytes, static_cast<DWORD>(cut), TRUE);
        queryEverything(msg);
    }
    CryptMsgClose(msg);
    return 0;
}
