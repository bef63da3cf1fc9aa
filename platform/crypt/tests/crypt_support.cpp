#include "crypt_support.h"

#include <cstdio>

#include "testkit/platform_root.h"
#include "testkit/process.h"

namespace crypt_test {

Bytes fromHex(std::string_view text) {
    Bytes out;
    int pending = -1;
    for (char c : text) {
        int v;
        if (c >= '0' && c <= '9') v = c - '0';
        else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
        else continue;
        if (pending < 0) {
            pending = v;
        } else {
            out.push_back(static_cast<BYTE>(pending << 4 | v));
            pending = -1;
        }
    }
    return out;
}

std::string hex(const Bytes& bytes) {
    std::string out;
    char two[3];
    for (BYTE b : bytes) {
        std::snprintf(two, sizeof two, "%02X", b);
        out += two;
    }
    return out;
}

Bytes encode(LPCSTR type, const void* info, DWORD flags) {
    BYTE* block = nullptr;
    DWORD size = 0;
    if (!CryptEncodeObjectEx(X509_ASN_ENCODING, type, info, flags | CRYPT_ENCODE_ALLOC_FLAG, nullptr, &block,
                             &size)) {
        ADD_FAILURE() << "encode failed with 0x" << std::hex << GetLastError();
        return {};
    }
    Bytes out(block, block + size);
    LocalFree(block);
    return out;
}

DWORD decodeError(LPCSTR type, const Bytes& der, DWORD flags) {
    DWORD size = 0;
    SetLastError(0);
    if (CryptDecodeObjectEx(X509_ASN_ENCODING, type, der.data(), static_cast<DWORD>(der.size()), flags, nullptr,
                            nullptr, &size))
        return 0;
    return GetLastError();
}

void expectRoundTrip(LPCSTR type, const Bytes& der) {
    DWORD size = 0;
    ASSERT_TRUE(CryptDecodeObject(X509_ASN_ENCODING, type, der.data(), static_cast<DWORD>(der.size()), 0, nullptr,
                                  &size))
        << std::hex << GetLastError();
    // An 8-aligned buffer, as a caller's allocation would be.
    std::vector<std::uint64_t> buffer((size + 7) / 8);
    ASSERT_TRUE(CryptDecodeObject(X509_ASN_ENCODING, type, der.data(), static_cast<DWORD>(der.size()), 0,
                                  buffer.data(), &size));
    EXPECT_EQ(hex(der), hex(encode(type, buffer.data())));
}

Bytes opensslGenconf(const std::string& conf) {
    testkit::PlatformRoot root;
    const auto confFile = root.write("value.cnf", conf);
    const auto derFile = root.path() / "value.der";
    const auto result = testkit::run({"openssl", "asn1parse", "-genconf", confFile.string(), "-out",
                                      derFile.string(), "-noout"});
    EXPECT_EQ(0, result.exitCode) << result.err;
    const std::string der = testkit::readFile(derFile);
    return Bytes(der.begin(), der.end());
}

}  // namespace crypt_test
