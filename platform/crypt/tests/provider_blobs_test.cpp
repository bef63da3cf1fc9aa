// PUBLICKEYBLOB and PRIVATEKEYBLOB, byte for byte: a key made by the
// openssl command is laid out here from the documented layout and must come
// back from CryptExportKey unchanged; generated keys export numbers that
// make one RSA key; bad blobs get the Windows codes.
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstring>

#include "provider_support.h"

using namespace provider_test;

namespace {

struct Numbers {
    BIGNUM *n = nullptr, *e = nullptr, *d = nullptr, *p = nullptr, *q = nullptr, *dp = nullptr, *dq = nullptr,
           *qinv = nullptr;
    ~Numbers() {
        for (BIGNUM* b : {n, e, d, p, q, dp, dq, qinv}) BN_free(b);
    }
};

void appendDword(Bytes& out, DWORD v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<BYTE>(v >> (8 * i)));
}

void appendLittle(Bytes& out, const BIGNUM* b, std::size_t size) {
    Bytes bytes(size);
    ASSERT_EQ(static_cast<int>(size), BN_bn2lebinpad(b, bytes.data(), static_cast<int>(size)));
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// BLOBHEADER {bType, bVersion 2, reserved 0, aiKeyAlg}, RSAPUBKEY {magic,
// bitlen, pubexp}, modulus, and for a private key prime1, prime2,
// exponent1, exponent2, coefficient, privateExponent.
Bytes documentedBlob(const Numbers& k, bool withPrivate, ALG_ID algorithm) {
    const DWORD bits = static_cast<DWORD>(BN_num_bits(k.n));
    Bytes blob{withPrivate ? BYTE{7} : BYTE{6}, 2, 0, 0};
    appendDword(blob, algorithm);
    appendDword(blob, withPrivate ? 0x32415352 : 0x31415352);
    appendDword(blob, bits);
    appendDword(blob, static_cast<DWORD>(BN_get_word(k.e)));
    appendLittle(blob, k.n, bits / 8);
    if (withPrivate) {
        for (const BIGNUM* half : {k.p, k.q, k.dp, k.dq, k.qinv}) appendLittle(blob, half, bits / 16);
        appendLittle(blob, k.d, bits / 8);
    }
    return blob;
}

void readNumbers(EVP_PKEY* key, Numbers& k) {
    EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_N, &k.n);
    EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_E, &k.e);
    EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_D, &k.d);
    EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_FACTOR1, &k.p);
    EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_FACTOR2, &k.q);
    EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_EXPONENT1, &k.dp);
    EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_EXPONENT2, &k.dq);
    EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_COEFFICIENT1, &k.qinv);
}

// Reads a PRIVATEKEYBLOB by the documented layout.
void parseBlob(const Bytes& blob, Numbers& k, DWORD& bits) {
    std::memcpy(&bits, blob.data() + 12, 4);
    DWORD exponent = 0;
    std::memcpy(&exponent, blob.data() + 16, 4);
    k.e = BN_new();
    BN_set_word(k.e, exponent);
    const BYTE* at = blob.data() + 20;
    auto take = [&](std::size_t size) {
        BIGNUM* b = BN_lebin2bn(at, static_cast<int>(size), nullptr);
        at += size;
        return b;
    };
    k.n = take(bits / 8);
    k.p = take(bits / 16);
    k.q = take(bits / 16);
    k.dp = take(bits / 16);
    k.dq = take(bits / 16);
    k.qinv = take(bits / 16);
    k.d = take(bits / 8);
    EXPECT_EQ(blob.data() + blob.size(), at);
}

Bytes exported(HCRYPTKEY key, DWORD type) {
    DWORD size = 0;
    if (!CryptExportKey(key, 0, type, 0, nullptr, &size)) return {};
    Bytes blob(size);
    EXPECT_TRUE(CryptExportKey(key, 0, type, 0, blob.data(), &size));
    return blob;
}

class ProviderBlobs : public ::testing::Test {
protected:
    testkit::PlatformRoot m_root;
    Context m_context{u"Blobs", kAes, PROV_RSA_AES, CRYPT_NEWKEYSET};
};

}  // namespace

TEST_F(ProviderBlobs, APeersKeyImportsAndExportsExactlyAsDocumented) {
    const auto made = testkit::run({"openssl", "genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:1024",
                                    "-out", "peer.pem"},
                                   m_root.path());
    ASSERT_EQ(0, made.exitCode) << made.err;
    BIO* bio = BIO_new_file((m_root.path() / "peer.pem").c_str(), "r");
    EVP_PKEY* peer = PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    ASSERT_TRUE(peer);
    Numbers numbers;
    readNumbers(peer, numbers);
    EVP_PKEY_free(peer);

    const Bytes privateBlob = documentedBlob(numbers, true, CALG_RSA_KEYX);
    ASSERT_EQ(20u + 128 * 2 + 64 * 5, privateBlob.size());
    HCRYPTKEY key = 0;
    ASSERT_TRUE(CryptImportKey(m_context.get(), privateBlob.data(), static_cast<DWORD>(privateBlob.size()), 0,
                               CRYPT_EXPORTABLE, &key));
    EXPECT_EQ(privateBlob, exported(key, PRIVATEKEYBLOB));
    EXPECT_EQ(documentedBlob(numbers, false, CALG_RSA_KEYX), exported(key, PUBLICKEYBLOB));
    CryptDestroyKey(key);
    // It went into the container as the exchange key.
    ASSERT_TRUE(CryptGetUserKey(m_context.get(), AT_KEYEXCHANGE, &key));
    EXPECT_EQ(privateBlob, exported(key, PRIVATEKEYBLOB));
    CryptDestroyKey(key);
}

TEST_F(ProviderBlobs, AGeneratedKeyExportsNumbersOfOneKeyAndRoundTrips) {
    HCRYPTKEY key = 0;
    ASSERT_TRUE(CryptGenKey(m_context.get(), AT_SIGNATURE, (2048 << 16) | CRYPT_EXPORTABLE, &key));
    const Bytes blob = exported(key, PRIVATEKEYBLOB);
    CryptDestroyKey(key);
    ASSERT_EQ(20u + 256 * 2 + 128 * 5, blob.size());
    EXPECT_EQ((Bytes{7, 2, 0, 0, 0x00, 0x24, 0, 0, 'R', 'S', 'A', '2'}), Bytes(blob.begin(), blob.begin() + 12));

    Numbers k;
    DWORD bits = 0;
    parseBlob(blob, k, bits);
    EXPECT_EQ(2048u, bits);
    EXPECT_EQ(65537u, BN_get_word(k.e));
    BN_CTX* ctx = BN_CTX_new();
    BIGNUM* product = BN_new();
    BN_mul(product, k.p, k.q, ctx);
    EXPECT_EQ(0, BN_cmp(product, k.n));
    BIGNUM* check = BN_new();
    BIGNUM* pMinus1 = BN_dup(k.p);
    BN_sub_word(pMinus1, 1);
    BN_mod(check, k.d, pMinus1, ctx);
    EXPECT_EQ(0, BN_cmp(check, k.dp));
    BN_mod_mul(check, k.qinv, k.q, k.p, ctx);
    EXPECT_TRUE(BN_is_one(check));
    for (BIGNUM* b : {product, check, pMinus1}) BN_free(b);
    BN_CTX_free(ctx);

    Context other(u"Other", kStrong, PROV_RSA_FULL, CRYPT_NEWKEYSET);
    ASSERT_TRUE(CryptImportKey(other.get(), blob.data(), static_cast<DWORD>(blob.size()), 0, CRYPT_EXPORTABLE, &key));
    EXPECT_EQ(blob, exported(key, PRIVATEKEYBLOB));
    CryptDestroyKey(key);
}

TEST_F(ProviderBlobs, ANonExportableKeyShowsOnlyItsPublicHalf) {
    HCRYPTKEY key = 0;
    ASSERT_TRUE(CryptGenKey(m_context.get(), AT_SIGNATURE, 1024 << 16, &key));
    DWORD size = 0;
    EXPECT_EQ(code(NTE_BAD_KEY_STATE), failureOf([&] { return CryptExportKey(key, 0, PRIVATEKEYBLOB, 0, nullptr, &size); }));
    EXPECT_EQ(20u + 128, exported(key, PUBLICKEYBLOB).size());
    DWORD permissions = 0;
    size = sizeof permissions;
    ASSERT_TRUE(CryptGetKeyParam(key, KP_PERMISSIONS, reinterpret_cast<BYTE*>(&permissions), &size, 0));
    EXPECT_FALSE(permissions & CRYPT_EXPORT);
    EXPECT_EQ(code(NTE_BAD_TYPE), failureOf([&] { return CryptExportKey(key, 0, 1, 0, nullptr, &size); }));
    CryptDestroyKey(key);
}

TEST_F(ProviderBlobs, BadBlobsGetTheWindowsCodes) {
    HCRYPTKEY key = 0;
    ASSERT_TRUE(CryptGenKey(m_context.get(), AT_SIGNATURE, (1024 << 16) | CRYPT_EXPORTABLE, &key));
    const Bytes good = exported(key, PRIVATEKEYBLOB);
    CryptDestroyKey(key);
    auto importing = [&](Bytes blob) {
        return failureOf([&] {
            HCRYPTKEY imported = 0;
            const BOOL ok = CryptImportKey(m_context.get(), blob.data(), static_cast<DWORD>(blob.size()), 0, 0, &imported);
            if (ok) CryptDestroyKey(imported);
            return ok;
        });
    };
    Bytes wrongType = good;
    wrongType[0] = 1;
    EXPECT_EQ(code(NTE_BAD_TYPE), importing(wrongType));
    Bytes wrongVersion = good;
    wrongVersion[1] = 3;
    EXPECT_EQ(code(NTE_BAD_VER), importing(wrongVersion));
    Bytes wrongMagic = good;
    wrongMagic[11] = '1';
    EXPECT_EQ(code(NTE_BAD_DATA), importing(wrongMagic));
    Bytes hugeLength = good;
    hugeLength[14] = 0xFF;
    EXPECT_EQ(code(NTE_BAD_DATA), importing(hugeLength));
    EXPECT_EQ(code(NTE_BAD_DATA), importing(Bytes(good.begin(), good.end() - 1)));
    EXPECT_EQ(code(NTE_BAD_DATA), importing(Bytes(good.begin(), good.begin() + 5)));
    Bytes wrongPrime = good;
    wrongPrime[20 + 128 + 3] ^= 0x01;
    EXPECT_EQ(code(NTE_BAD_DATA), importing(wrongPrime));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, failureOf([&] {
                  return CryptImportKey(m_context.get(), nullptr, 0, 0, 0, &key);
              }));
}
