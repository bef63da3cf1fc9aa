#include "crypto_reference.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <memory>
#include <stdexcept>

namespace cryptoref {

Bytes fromHex(std::string_view hex) {
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<unsigned char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return bytes;
}

std::string hexOf(const unsigned char* data, std::size_t size) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (std::size_t i = 0; i < size; ++i) {
        hex += kDigits[data[i] >> 4];
        hex += kDigits[data[i] & 0xF];
    }
    return hex;
}

Bytes randomBytes(std::mt19937& random, std::size_t size) {
    std::uniform_int_distribution<int> byte(0, 255);
    Bytes bytes(size);
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(byte(random));
    return bytes;
}

std::size_t randomSize(std::mt19937& random, std::size_t most) {
    return std::uniform_int_distribution<std::size_t>(0, most)(random);
}

namespace {

void check(int result, const char* call) {
    if (result != 1) throw std::runtime_error(std::string(call) + " failed");
}

}  // namespace

Bytes opensslSha1(const Bytes& message) {
    Bytes digest(EVP_MAX_MD_SIZE);
    unsigned size = 0;
    check(EVP_Digest(message.data(), message.size(), digest.data(), &size, EVP_sha1(), nullptr), "EVP_Digest");
    digest.resize(size);
    return digest;
}

Bytes opensslHmacSha1(const Bytes& key, const Bytes& message) {
    Bytes code(EVP_MAX_MD_SIZE);
    unsigned size = 0;
    if (!HMAC(EVP_sha1(), key.data(), static_cast<int>(key.size()), message.data(), message.size(), code.data(), &size))
        throw std::runtime_error("HMAC failed");
    code.resize(size);
    return code;
}

Bytes opensslPbkdf2HmacSha1(const Bytes& password, const Bytes& salt, unsigned iterations, std::size_t size) {
    Bytes out(size);
    check(PKCS5_PBKDF2_HMAC_SHA1(reinterpret_cast<const char*>(password.data()), static_cast<int>(password.size()),
                                 salt.data(), static_cast<int>(salt.size()), static_cast<int>(iterations),
                                 static_cast<int>(size), out.data()),
          "PKCS5_PBKDF2_HMAC_SHA1");
    return out;
}

Bytes opensslAesEcb(const Bytes& key, const Bytes& blocks) {
    const EVP_CIPHER* cipher = key.size() == 16 ? EVP_aes_128_ecb() : key.size() == 24 ? EVP_aes_192_ecb() : EVP_aes_256_ecb();
    const std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    check(EVP_EncryptInit_ex(context.get(), cipher, nullptr, key.data(), nullptr), "EVP_EncryptInit_ex");
    check(EVP_CIPHER_CTX_set_padding(context.get(), 0), "EVP_CIPHER_CTX_set_padding");
    Bytes out(blocks.size());
    int produced = 0;
    check(EVP_EncryptUpdate(context.get(), out.data(), &produced, blocks.data(), static_cast<int>(blocks.size())),
          "EVP_EncryptUpdate");
    if (produced != static_cast<int>(blocks.size())) throw std::runtime_error("EVP_EncryptUpdate kept blocks back");
    return out;
}

}  // namespace cryptoref
