// Enumeration of subkeys and values, and the summary of a key.
#include <memory>
#include <string>

#include "platform/clock.h"
#include "registry_fixture.h"
#include "testkit/growth.h"

using namespace registry_test;

namespace {

constexpr ULONGLONG kFixedTime = 133000000000000000ull;

ULONGLONG ticks(const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

class Enumeration : public Registry {
protected:
    void SetUp() override { platform::clock::setForTests(kFixedTime); }
    void TearDown() override { platform::clock::setForTests(std::nullopt); }
};

TEST_F(Enumeration, SubkeysComeInCreationOrderWithTheirTimes) {
    Key key = create(HKEY_CURRENT_USER, u"Software\\Tesk\\mirelo\\certs");
    for (const char16_t* name : {u"4", u"Zeta", u"alpha", u"Čtyři"}) create(key.get(), name);
    std::vector<std::u16string> names;
    char16_t name[16];
    DWORD size = 16, index = 0;
    FILETIME written{};
    DWORD classSize = 5;
    char16_t className[5] = u"xxxx";
    for (;; ++index, size = 16) {
        const LONG rc = RegEnumKeyExW(key.get(), index, name, &size, nullptr, className, &classSize, &written);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(ERROR_SUCCESS, rc);
        EXPECT_EQ(std::u16string(name).size(), size);
        EXPECT_EQ(kFixedTime, ticks(written));
        names.emplace_back(name);
    }
    EXPECT_EQ((std::vector<std::u16string>{u"4", u"Zeta", u"alpha", u"Čtyři"}), names);
    EXPECT_EQ(0u, classSize);
    EXPECT_EQ(u'\0', className[0]);

    // A short buffer: ERROR_MORE_DATA, the room left as it was. Sizes count
    // characters, the NUL included on entry.
    size = 4;
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyExW(key.get(), 1, name, &size, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(4u, size);
    size = 5;
    EXPECT_EQ(ERROR_SUCCESS, RegEnumKeyExW(key.get(), 1, name, &size, nullptr, nullptr, nullptr, nullptr));
    char narrow[8];
    size = 6;
    ASSERT_EQ(ERROR_SUCCESS, RegEnumKeyExA(key.get(), 3, narrow, &size, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(std::string("\xc8ty\xf8i"), narrow);
    EXPECT_EQ(5u, size);

    Key reader;
    ASSERT_EQ(ERROR_SUCCESS, openKey(key.get(), nullptr, KEY_QUERY_VALUE, reader));
    size = 16;
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegEnumKeyExW(reader.get(), 0, name, &size, nullptr, nullptr, nullptr, nullptr));
}

TEST_F(Enumeration, ValuesComeInCreationOrderWithTheirData) {
    Key key = create(HKEY_CURRENT_USER, u"Software\\Tesk\\mirelo\\trusted");
    ASSERT_EQ(ERROR_SUCCESS, setDword(key.get(), u"ncerts", 2));
    ASSERT_EQ(ERROR_SUCCESS, setString(key.get(), u"0", u"1;PEM"));
    ASSERT_EQ(ERROR_SUCCESS, setString(key.get(), u"1", u"3;PEM"));
    ASSERT_EQ(ERROR_SUCCESS, setDword(key.get(), u"ncerts", 3));  // keeps its place

    char16_t name[8];
    BYTE data[16];
    DWORD nameSize = 8, dataSize = sizeof data, type = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegEnumValueW(key.get(), 0, name, &nameSize, nullptr, &type, data, &dataSize));
    EXPECT_EQ(u"ncerts", std::u16string(name));
    EXPECT_EQ(6u, nameSize);
    EXPECT_EQ(REG_DWORD, type);
    EXPECT_EQ(4u, dataSize);
    EXPECT_EQ(3, data[0]);

    nameSize = 8;
    dataSize = 4;
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumValueW(key.get(), 2, name, &nameSize, nullptr, nullptr, data, &dataSize));
    EXPECT_EQ(12u, dataSize);
    char narrowName[4];
    char narrowData[8];
    nameSize = 4;
    dataSize = sizeof narrowData;
    ASSERT_EQ(ERROR_SUCCESS, RegEnumValueA(key.get(), 2, narrowName, &nameSize, nullptr, nullptr,
                                           reinterpret_cast<BYTE*>(narrowData), &dataSize));
    EXPECT_EQ(std::string("1"), narrowName);
    EXPECT_EQ(6u, dataSize);
    EXPECT_EQ(std::string("3;PEM"), narrowData);
    nameSize = 8;
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumValueW(key.get(), 3, name, &nameSize, nullptr, nullptr, nullptr, nullptr));
}

TEST_F(Enumeration, QueryInfoKeyGivesCountsAndMaximaInTheCallersUnits) {
    Key key = create(HKEY_CURRENT_USER, u"Software\\Tesk");
    create(key.get(), u"mirelo");
    create(key.get(), u"Tesk Halvex");
    ASSERT_EQ(ERROR_SUCCESS, setString(key.get(), u"Popis", u"Žluťoučký"));
    ASSERT_EQ(ERROR_SUCCESS, setDword(key.get(), u"AppEnvironment", 2));

    DWORD subkeys = 0, maxSubkey = 0, maxClass = 9, values = 0, maxValueName = 0, maxValue = 0;
    FILETIME written{};
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, &maxSubkey, &maxClass,
                                              &values, &maxValueName, &maxValue, nullptr, &written));
    EXPECT_EQ(2u, subkeys);
    EXPECT_EQ(11u, maxSubkey);  // "Tesk Halvex", in characters
    EXPECT_EQ(0u, maxClass);
    EXPECT_EQ(2u, values);
    EXPECT_EQ(14u, maxValueName);  // "AppEnvironment"
    EXPECT_EQ(20u, maxValue);      // "Žluťoučký" with its NUL, in UTF-16
    EXPECT_EQ(kFixedTime, ticks(written));

    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                              nullptr, &maxValue, nullptr, nullptr));
    EXPECT_EQ(10u, maxValue);  // the same text in Windows-1250

    // A write moves the key's time.
    platform::clock::setForTests(kFixedTime + 1);
    ASSERT_EQ(ERROR_SUCCESS, setDword(key.get(), u"AppEnvironment", 1));
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                              nullptr, nullptr, nullptr, nullptr, &written));
    EXPECT_EQ(kFixedTime + 1, ticks(written));
}

std::u16string numbered(const char16_t* prefix, std::size_t n) {
    const std::string digits = std::to_string(n);
    return prefix + std::u16string(digits.begin(), digits.end());
}

std::u16string valueNameAt(HKEY key, DWORD index) {
    char16_t name[32];
    DWORD size = 32;
    return RegEnumValueW(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS ? name : u"";
}

TEST_F(Enumeration, ManyValuesAndSubkeysTakeTimeThatGrowsWithTheirNumberAndChangesAreSeen) {
    std::size_t made = 0;
    EXPECT_TRUE(testkit::GrowsLinearly(
        [&](std::size_t count) {
            auto key = std::make_shared<Key>(create(HKEY_CURRENT_USER, numbered(u"Software\\Tesk\\values", ++made).c_str()));
            for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(ERROR_SUCCESS, setDword(key->get(), numbered(u"v", i).c_str(), 1));
            return [key, count] {
                DWORD index = 0;
                while (valueNameAt(key->get(), index) == numbered(u"v", index)) ++index;
                EXPECT_EQ(count, index);
            };
        },
        5'000));

    // Through the classes root: the user's subkeys, then the machine's that
    // the user lacks.
    EXPECT_TRUE(testkit::GrowsLinearly(
        [&](std::size_t count) {
            const std::u16string path = numbered(u"Software\\Classes\\Tesk.Many", ++made);
            const Key user = create(HKEY_CURRENT_USER, path.c_str());
            const Key machine = create(HKEY_LOCAL_MACHINE, path.c_str());
            for (std::size_t i = 0; i < count / 2; ++i) {
                create(user.get(), numbered(u"k", i).c_str());
                create(machine.get(), numbered(u"k", i + (i == 0 ? 0 : count / 2)).c_str());
            }
            auto classes = std::make_shared<Key>();
            EXPECT_EQ(ERROR_SUCCESS, openKey(HKEY_CLASSES_ROOT, path.substr(17).c_str(), KEY_READ, *classes));
            return [classes, count] {
                char16_t name[32];
                DWORD index = 0, size = 32;
                for (; RegEnumKeyExW(classes->get(), index, name, &size, nullptr, nullptr, nullptr, nullptr) ==
                           ERROR_SUCCESS && name == numbered(u"k", index + (index >= count / 2 ? 1 : 0));
                     ++index, size = 32) {
                }
                EXPECT_EQ(count - 1, index);
            };
        },
        2'500));

    // A value deleted between two calls: the next index counts from the start again.
    Key key = create(HKEY_CURRENT_USER, u"Software\\Tesk\\changing");
    for (const char16_t* name : {u"a", u"b", u"c", u"d"}) setDword(key.get(), name, 1);
    EXPECT_EQ(u"b", valueNameAt(key.get(), 1));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteValueW(key.get(), u"a"));
    EXPECT_EQ(u"d", valueNameAt(key.get(), 2));
    EXPECT_EQ(u"", valueNameAt(key.get(), 3));
}

}  // namespace
