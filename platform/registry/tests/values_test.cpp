// Reading and writing values: the size-query protocol, types kept byte for
// byte, and the conversions of the narrow forms.
#include <cstring>
#include <string>

#include "registry_fixture.h"

using namespace registry_test;

namespace {

const std::u16string kCzech = u"Šifrování: žluťoučký kůň";
// The same text in Windows-1250.
const std::string kCzechAnsi = "\x8a" "ifrov\xe1n\xed: \x9elu\x9dou\xe8k\xfd k\xf9\xf2";

std::vector<BYTE> bytes(const void* p, std::size_t n) {
    const auto* b = static_cast<const BYTE*>(p);
    return {b, b + n};
}

TEST_F(Registry, SizeQueriesShortBuffersAndMissingValues) {
    Key key = create(HKEY_CURRENT_USER, u"Software\\Tesk");
    ASSERT_EQ(ERROR_SUCCESS, setString(key.get(), u"LogFile", u"C:\\log.txt"));
    const DWORD needed = 11 * sizeof(char16_t);

    DWORD type = 0, size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key.get(), u"LogFile", nullptr, &type, nullptr, &size));
    EXPECT_EQ(REG_SZ, type);
    EXPECT_EQ(needed, size);

    BYTE small[4];
    size = sizeof small;
    type = 0;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExW(key.get(), u"LogFile", nullptr, &type, small, &size));
    EXPECT_EQ(needed, size);
    EXPECT_EQ(REG_SZ, type);

    std::vector<BYTE> exact(needed);
    size = needed;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key.get(), u"LogFile", nullptr, nullptr, exact.data(), &size));
    EXPECT_EQ(u"C:\\log.txt", std::u16string(reinterpret_cast<const char16_t*>(exact.data())));

    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key.get(), u"LogFile", nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExW(key.get(), u"LogFile", nullptr, nullptr, exact.data(), nullptr));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(key.get(), u"LogLevel", nullptr, nullptr, nullptr, &size));
}

TEST_F(Registry, TheDefaultValueHasTheEmptyOrNullName) {
    Key key = create(HKEY_CURRENT_USER, u"Software\\Classes\\Mirelo.SignerKyd");
    ASSERT_EQ(ERROR_SUCCESS, setString(key.get(), nullptr, u"SignerKyd Class"));
    EXPECT_EQ(u"SignerKyd Class", stringOf(key.get(), u""));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteValueW(key.get(), u""));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr));
}

TEST_F(Registry, StringsAreUtf16AndTheNarrowFormsConvertThem) {
    Key key = create(HKEY_CURRENT_USER, u"Software\\Tesk");
    ASSERT_EQ(ERROR_SUCCESS, setString(key.get(), u"Wide", kCzech));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key.get(), "\x8e" "lut\xe1", 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(kCzechAnsi.c_str()),
                                            static_cast<DWORD>(kCzechAnsi.size() + 1)));
    // Stored as UTF-16LE with the NUL, whichever form wrote it.
    const auto wide = bytes(kCzech.c_str(), (kCzech.size() + 1) * sizeof(char16_t));
    EXPECT_EQ(wide, bytesOf(key.get(), u"Wide"));
    EXPECT_EQ(wide, bytesOf(key.get(), u"Žlutá"));

    // The narrow read reports narrow sizes.
    DWORD type = 0, size = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key.get(), "Wide", nullptr, &type, nullptr, &size));
    EXPECT_EQ(kCzechAnsi.size() + 1, size);
    std::string narrow(size, '\0');
    size = 3;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key.get(), "Wide", nullptr, nullptr,
                                                reinterpret_cast<BYTE*>(narrow.data()), &size));
    EXPECT_EQ(kCzechAnsi.size() + 1, size);
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key.get(), "Wide", nullptr, nullptr,
                                              reinterpret_cast<BYTE*>(narrow.data()), &size));
    EXPECT_EQ(kCzechAnsi + '\0', narrow);

    // REG_MULTI_SZ converts every string of the list.
    const std::string list("a\xe8\0b\0\0", 6);
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key.get(), "List", 0, REG_MULTI_SZ,
                                            reinterpret_cast<const BYTE*>(list.data()), 6));
    const std::u16string wideList(u"a\u010D\0b\0\0", 6);
    EXPECT_EQ(bytes(wideList.data(), 12), bytesOf(key.get(), u"List"));
}

TEST_F(Registry, StringsStoredWithoutTheirNulComeBackAsStored) {
    Key key = create(HKEY_CURRENT_USER, u"Software\\Tesk");
    const std::u16string text = u"bez";
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.get(), u"Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()), 6));
    EXPECT_EQ(bytes(text.data(), 6), bytesOf(key.get(), u"Raw"));
    char narrow[8] = {};
    DWORD size = sizeof narrow;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key.get(), "Raw", nullptr, nullptr, reinterpret_cast<BYTE*>(narrow), &size));
    EXPECT_EQ(3u, size);
    EXPECT_EQ(0, std::memcmp(narrow, "bez", 3));
}

TEST_F(Registry, NonTextTypesAreKeptByteForByteWhateverTheirSize) {
    Key key = create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tesk");
    std::vector<BYTE> binary(256);
    for (int i = 0; i < 256; ++i) binary[i] = static_cast<BYTE>(i);
    ASSERT_EQ(ERROR_SUCCESS, setBytes(key.get(), u"Binary", REG_BINARY, binary));
    ASSERT_EQ(ERROR_SUCCESS, setDword(key.get(), u"Dword", 0xDEADBEEF));
    // Windows takes a REG_DWORD of any size and gives it back as it is.
    ASSERT_EQ(ERROR_SUCCESS, setBytes(key.get(), u"Short", REG_DWORD, {1, 2}));
    ASSERT_EQ(ERROR_SUCCESS, setBytes(key.get(), u"Long", REG_DWORD, {1, 2, 3, 4, 5, 6, 7, 8}));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key.get(), "Empty", 0, REG_BINARY, nullptr, 0));

    DWORD type = 0;
    EXPECT_EQ(binary, bytesOf(key.get(), u"Binary", &type));
    EXPECT_EQ(REG_BINARY, type);
    EXPECT_EQ(0xDEADBEEFu, dwordOf(key.get(), u"Dword"));
    EXPECT_EQ((std::vector<BYTE>{1, 2}), bytesOf(key.get(), u"Short", &type));
    EXPECT_EQ(REG_DWORD, type);
    EXPECT_EQ((std::vector<BYTE>{1, 2, 3, 4, 5, 6, 7, 8}), bytesOf(key.get(), u"Long"));
    EXPECT_TRUE(bytesOf(key.get(), u"Empty").empty());
    // The narrow form passes non-text data unchanged.
    std::vector<BYTE> viaNarrow(256);
    DWORD size = 256;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key.get(), "Binary", nullptr, nullptr, viaNarrow.data(), &size));
    EXPECT_EQ(binary, viaNarrow);
}

TEST_F(Registry, OverwritingAValueChangesItsDataAndTypeButNotItsName) {
    Key key = create(HKEY_CURRENT_USER, u"Software\\Tesk");
    ASSERT_EQ(ERROR_SUCCESS, setDword(key.get(), u"Jméno", 1));
    ASSERT_EQ(ERROR_SUCCESS, setString(key.get(), u"JMÉNO", u"dva"));
    DWORD type = 0;
    bytesOf(key.get(), u"jméno", &type);
    EXPECT_EQ(REG_SZ, type);
    EXPECT_EQ(u"dva", stringOf(key.get(), u"Jméno"));
    char16_t name[16];
    DWORD size = 16;
    ASSERT_EQ(ERROR_SUCCESS, RegEnumValueW(key.get(), 0, name, &size, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(u"Jméno", std::u16string(name));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteValueW(key.get(), u"jMÉNO"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueW(key.get(), u"Jméno"));
}

TEST_F(Registry, BadValueArgumentsAreRefused) {
    Key key = create(HKEY_CURRENT_USER, u"Software\\Tesk");
    EXPECT_EQ(ERROR_NOACCESS, RegSetValueExW(key.get(), u"x", 0, REG_BINARY, nullptr, 4));
    const std::vector<BYTE> huge((16u << 20) + 1);
    EXPECT_EQ(ERROR_INVALID_PARAMETER, setBytes(key.get(), u"x", REG_BINARY, huge));
    const std::u16string longName(16384, u'n');
    EXPECT_EQ(ERROR_INVALID_PARAMETER, setDword(key.get(), longName.c_str(), 1));
    EXPECT_EQ(ERROR_SUCCESS, setDword(key.get(), longName.substr(1).c_str(), 1));
}

}  // namespace
