// The cryptograph factory.
#include "zip/zip_aes_cryptograph.h"
#include "zip/zip_crc32_cryptograph.h"

std::unique_ptr<CZipCryptograph> CZipCryptograph::CreateCryptograph(int method) {
    if (method == encNone) return nullptr;
    if (method >= encWinZipAes128 && method <= encWinZipAes256) return std::make_unique<CZipAesCryptograph>(method);
    return std::make_unique<CZipCrc32Cryptograph>();
}
