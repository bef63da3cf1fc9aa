// The calling conventions of CryptEncodeObject(Ex) and CryptDecodeObject(Ex):
// the two-call size protocol, NOCOPY, the allocation flags, unknown types.
#include <gtest/gtest.h>

#include <cstdlib>

#include "crypt_support.h"

using namespace crypt_test;

namespace {

const Bytes kName = fromHex("30143112301006035504031309 4A616E204E6F76616B");  // CN=Jan Novak

int g_allocations = 0;
LPVOID countingAlloc(SIZE_T size) {
    ++g_allocations;
    return std::malloc(size);
}
void plainFree(LPVOID p) { std::free(p); }

}  // namespace

TEST(DecodeProtocol, SizeQueryIsExactAndAShortBufferIsRefusedWithTheSize) {
    DWORD size = 0;
    ASSERT_TRUE(CryptDecodeObject(X509_ASN_ENCODING, X509_NAME, kName.data(), static_cast<DWORD>(kName.size()), 0,
                                  nullptr, &size));
    std::vector<std::uint64_t> buffer(size / 8 + 1);
    DWORD shortSize = size - 1;
    EXPECT_FALSE(CryptDecodeObject(X509_ASN_ENCODING, X509_NAME, kName.data(), static_cast<DWORD>(kName.size()), 0,
                                   buffer.data(), &shortSize));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), GetLastError());
    EXPECT_EQ(size, shortSize);
    DWORD exact = size;
    ASSERT_TRUE(CryptDecodeObject(X509_ASN_ENCODING, X509_NAME, kName.data(), static_cast<DWORD>(kName.size()), 0,
                                  buffer.data(), &exact));
    EXPECT_EQ(size, exact);
    const auto* name = reinterpret_cast<const CERT_NAME_INFO*>(buffer.data());
    const auto* begin = reinterpret_cast<const BYTE*>(buffer.data());
    // Everything the record points to lies inside the block.
    const BYTE* value = name->rgRDN[0].rgRDNAttr[0].Value.pbData;
    EXPECT_GE(value, begin);
    EXPECT_LE(value + name->rgRDN[0].rgRDNAttr[0].Value.cbData, begin + size);
    EXPECT_EQ(std::string("Jan Novak"), reinterpret_cast<const char*>(value));
}

TEST(DecodeProtocol, NoCopyPointsIntoTheCallersInput) {
    auto name = decode<CERT_NAME_INFO>(X509_NAME, kName, CRYPT_DECODE_NOCOPY_FLAG);
    ASSERT_TRUE(name);
    EXPECT_EQ(kName.data() + kName.size() - 9, name->rgRDN[0].rgRDNAttr[0].Value.pbData);
}

TEST(DecodeProtocol, AllocationUsesTheCallersAllocatorWhenGiven) {
    CRYPT_DECODE_PARA para{sizeof para, countingAlloc, plainFree};
    void* block = nullptr;
    DWORD size = 0;
    g_allocations = 0;
    ASSERT_TRUE(CryptDecodeObjectEx(X509_ASN_ENCODING, X509_NAME, kName.data(), static_cast<DWORD>(kName.size()),
                                    CRYPT_DECODE_ALLOC_FLAG, &para, &block, &size));
    EXPECT_EQ(1, g_allocations);
    EXPECT_EQ(1u, static_cast<CERT_NAME_INFO*>(block)->cRDN);
    plainFree(block);
    BYTE* encoded = nullptr;
    CERT_NAME_INFO empty{0, nullptr};
    ASSERT_TRUE(CryptEncodeObjectEx(X509_ASN_ENCODING, X509_NAME, &empty, CRYPT_ENCODE_ALLOC_FLAG, &para, &encoded,
                                    &size));
    EXPECT_EQ(2, g_allocations);
    EXPECT_EQ("3000", hex(Bytes(encoded, encoded + size)));
    plainFree(encoded);
}

TEST(DecodeProtocol, EncodeSizeQueryThenShortBuffer) {
    CERT_NAME_INFO empty{0, nullptr};
    DWORD size = 0;
    ASSERT_TRUE(CryptEncodeObject(X509_ASN_ENCODING, X509_NAME, &empty, nullptr, &size));
    EXPECT_EQ(2u, size);
    BYTE out[2];
    DWORD room = 1;
    EXPECT_FALSE(CryptEncodeObject(X509_ASN_ENCODING, X509_NAME, &empty, out, &room));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA), GetLastError());
    EXPECT_EQ(2u, room);
}

TEST(DecodeProtocol, UnknownStructureOrEncodingTypeIsFileNotFound) {
    DWORD size = 0;
    int value = 1;
    EXPECT_FALSE(CryptEncodeObject(X509_ASN_ENCODING, reinterpret_cast<LPCSTR>(ULONG_PTR{999}), &value, nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), decodeError("1.2.3.4", fromHex("020101")));
    EXPECT_FALSE(CryptEncodeObject(0, X509_INTEGER, &value, nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_TRUE(CryptEncodeObject(PKCS_7_ASN_ENCODING, X509_INTEGER, &value, nullptr, &size));
    EXPECT_FALSE(CryptEncodeObject(X509_ASN_ENCODING, X509_INTEGER, nullptr, nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(E_INVALIDARG), GetLastError());
}

TEST(DecodeProtocol, BytesAfterTheValueAreIgnoredAndMissingBytesAreEndOfData) {
    Bytes padded = kName;
    padded.insert(padded.end(), {0, 0, 0});
    EXPECT_EQ(0u, decodeError(X509_NAME, padded));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_EOD), decodeError(X509_NAME, {}));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_E_ASN1_EOD), decodeError(X509_NAME, Bytes(kName.begin(), kName.end() - 1)));
}
