// Resources embedded by tesk_add_resources into this test program and into
// the probe shared object: string tables, binary data of every size, names
// and types as integers and texts, languages, and the errors of a module
// without them. Last, the build step's refusal of bad input.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "win32/error.h"
#include "win32/modules.h"
#include "win32/resources.h"

namespace {

namespace fs = std::filesystem;

const std::u16string kHorse = u"Příliš žluťoučký kůň úpěl ďábelské ódy";

std::string contentOf(HMODULE module, HRSRC resource) {
    EXPECT_NE(nullptr, resource) << GetLastError();
    if (!resource) return {};
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module, resource)));
    return std::string(bytes, SizeofResource(module, resource));
}

// The probe module, loaded for one test.
class ProbeModule : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(nullptr, module) << GetLastError(); }
    void TearDown() override { FreeLibrary(module); }
    HMODULE module = LoadLibraryA(TESK_PROBE_MODULE);
};

TEST(StringResources, TextsComeOutAsWrittenWithEscapesResolved) {
    WCHAR text[128];
    EXPECT_EQ(static_cast<int>(kHorse.size()), LoadStringW(nullptr, 1, text, 128));
    EXPECT_EQ(kHorse, text);
    const std::u16string escaped = u"Dva řádky:\nsloupec\tdruhý\\konec";
    EXPECT_EQ(static_cast<int>(escaped.size()), LoadStringW(GetModuleHandleW(nullptr), 2, text, 128));
    EXPECT_EQ(escaped, text);
    LoadStringW(nullptr, 33121, text, 128);
    EXPECT_EQ(std::u16string(u"Kvalifikovaný certifikát"), text);
}

TEST(StringResources, NarrowTextIsWindows1250) {
    char text[128];
    EXPECT_EQ(static_cast<int>(kHorse.size()), LoadStringA(nullptr, 1, text, 128));
    EXPECT_EQ(std::string("P\xF8\xEDli\x9A \x9Elu\x9Do" "u\xE8k\xFD k\xF9\xF2"), std::string(text).substr(0, 20));
    EXPECT_EQ(0, LoadStringA(nullptr, 1, text, 0));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

TEST(StringResources, MissingAndEmptyStringsGiveZeroAndAnEmptyBuffer) {
    WCHAR text[16];
    for (const UINT id : {4u, 20u, 500u, 70000u}) {
        std::fill(std::begin(text), std::end(text), u'x');
        EXPECT_EQ(0, LoadStringW(nullptr, id, text, 16)) << id;
        EXPECT_EQ(u'\0', text[0]) << id;
    }
    LoadStringW(nullptr, 500, text, 16);
    EXPECT_EQ(ERROR_RESOURCE_NAME_NOT_FOUND, GetLastError());
    char narrow[4] = "xx";
    EXPECT_EQ(0, LoadStringA(nullptr, 500, narrow, 4));
    EXPECT_EQ('\0', narrow[0]);
    EXPECT_EQ(0, LoadStringW(nullptr, 1, nullptr, 16));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_EQ(0, LoadStringW(nullptr, 1, text, -1));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

TEST(StringResources, TextIsCutToFitWithoutSplittingASurrogatePair) {
    WCHAR text[8];
    EXPECT_EQ(4, LoadStringW(nullptr, 1, text, 5));
    EXPECT_EQ(std::u16string(u"Příl"), text);
    // String 3 is "Nota " followed by U+1D11E: room for six units would cut the pair.
    EXPECT_EQ(5, LoadStringW(nullptr, 3, text, 7));
    EXPECT_EQ(std::u16string(u"Nota "), text);
    EXPECT_EQ(7, LoadStringW(nullptr, 3, text, 8));
    char narrow[3];
    EXPECT_EQ(2, LoadStringA(nullptr, 1, narrow, 3));
    EXPECT_EQ(std::string("P\xF8"), narrow);
}

TEST(StringResources, ZeroSizeGivesAPointerToTheTextInTheModule) {
    const WCHAR* text = nullptr;
    const int length = LoadStringW(nullptr, 1, reinterpret_cast<LPWSTR>(&text), 0);
    ASSERT_NE(nullptr, text);
    EXPECT_EQ(kHorse, std::u16string(text, static_cast<std::size_t>(length)));
}

TEST_F(ProbeModule, EachModuleReadsItsOwnStringTable) {
    WCHAR text[64];
    EXPECT_GT(LoadStringW(module, 1, text, 64), 0);
    EXPECT_EQ(std::u16string(u"Sondovací modul"), text);
    const auto fromInside = reinterpret_cast<int (*)(UINT, WCHAR*, int)>(GetProcAddress(module, "probe_load_string"));
    ASSERT_NE(nullptr, fromInside);
    EXPECT_GT(fromInside(2, text, 64), 0);
    EXPECT_EQ(std::u16string(u"Řádek modulu"), text);
    EXPECT_EQ(0, LoadStringW(module, 33121, text, 64));
    LoadStringW(nullptr, 1, text, 64);
    EXPECT_EQ(kHorse, text);
}

TEST_F(ProbeModule, BinaryDataKeepsEveryByteValue) {
    const HRSRC resource = FindResourceExW(module, MAKEINTRESOURCEW(RT_RCDATA_ID), MAKEINTRESOURCEW(105), 1029);
    std::string expected;
    for (int b = 0; b < 256; ++b) expected += static_cast<char>(b);
    EXPECT_EQ(expected, contentOf(module, resource));
    EXPECT_EQ(expected, contentOf(nullptr, FindResourceA(nullptr, MAKEINTRESOURCEA(214), MAKEINTRESOURCEA(240))));
}

TEST(BinaryResources, MegabytesComeOutByteForByte) {
    const HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(9), MAKEINTRESOURCEW(RT_RCDATA_ID));
    const std::string expected = testkit::readFile(TESK_LARGE_RESOURCE);
    ASSERT_GT(expected.size(), 2'000'000u);
    EXPECT_EQ(expected.size(), SizeofResource(nullptr, resource));
    const HGLOBAL loaded = LoadResource(GetModuleHandleW(nullptr), resource);
    const void* bytes = LockResource(loaded);
    ASSERT_NE(nullptr, bytes);
    EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(bytes) % 16);
    EXPECT_EQ(0, std::memcmp(expected.data(), bytes, expected.size()));
    EXPECT_FALSE(FreeResource(loaded));
}

TEST(BinaryResources, TextNamesAndTypesMatchWithoutRegardToCase) {
    EXPECT_EQ("<html>cs home</html>\n", contentOf(nullptr, FindResourceA(nullptr, "HOME.HTM", RT_HTML)));
    EXPECT_EQ("HKCR { NoRemove CLSID }\n",
              contentOf(nullptr, FindResourceW(nullptr, MAKEINTRESOURCEW(101), u"registry")));
    // "PŘEHLED.HTM" in Windows-1250 finds the resource named "přehled.htm".
    EXPECT_EQ("czech page\n", contentOf(nullptr, FindResourceA(nullptr, "P\xD8" "EHLED.HTM", RT_HTML)));
}

TEST(BinaryResources, TheAskedLanguageWinsThenNeutralThenAny) {
    const auto html = [](WORD language) {
        return contentOf(nullptr, FindResourceExW(nullptr, MAKEINTRESOURCEW(RT_HTML_ID), u"home.htm", language));
    };
    EXPECT_EQ("<html>en home</html>\n", html(1033));
    EXPECT_EQ("<html>cs home</html>\n", html(1029));
    EXPECT_EQ("<html>cs home</html>\n", html(1031));  // no German, no neutral: the first
    const auto data = [](WORD language) {
        return contentOf(nullptr, FindResourceExA(nullptr, RT_RCDATA, MAKEINTRESOURCEA(7), language));
    };
    EXPECT_EQ("czech page\n", data(1029));
    EXPECT_EQ("neutral page\n", data(1031));
    EXPECT_EQ("neutral page\n", data(0));
}

TEST(BinaryResources, MissingResourcesAndForgedHandlesGiveTheWindowsErrors) {
    EXPECT_EQ(nullptr, FindResourceW(nullptr, MAKEINTRESOURCEW(999), MAKEINTRESOURCEW(RT_RCDATA_ID)));
    EXPECT_EQ(ERROR_RESOURCE_NAME_NOT_FOUND, GetLastError());
    EXPECT_EQ(nullptr, FindResourceA(nullptr, "home.htm", MAKEINTRESOURCEA(77)));
    EXPECT_EQ(ERROR_RESOURCE_TYPE_NOT_FOUND, GetLastError());
    const HMODULE withoutResources = GetModuleHandleA("libc.so.6");
    EXPECT_EQ(nullptr, FindResourceA(withoutResources, "home.htm", RT_HTML));
    EXPECT_EQ(ERROR_RESOURCE_DATA_NOT_FOUND, GetLastError());
    WCHAR text[8];
    EXPECT_EQ(0, LoadStringW(withoutResources, 1, text, 8));
    EXPECT_EQ(ERROR_RESOURCE_DATA_NOT_FOUND, GetLastError());
    EXPECT_EQ(nullptr, FindResourceA(reinterpret_cast<HMODULE>(0x1000), "home.htm", RT_HTML));
    EXPECT_EQ(ERROR_MOD_NOT_FOUND, GetLastError());

    const HRSRC real = FindResourceA(nullptr, "home.htm", RT_HTML);
    int local = 0;
    for (const HRSRC forged : {reinterpret_cast<HRSRC>(&local), reinterpret_cast<HRSRC>(reinterpret_cast<char*>(real) + 4),
                               static_cast<HRSRC>(nullptr)}) {
        EXPECT_EQ(nullptr, LoadResource(nullptr, forged));
        EXPECT_EQ(ERROR_INVALID_HANDLE, GetLastError());
        EXPECT_EQ(0u, SizeofResource(nullptr, forged));
    }
}

// The build step checks what it is given and names the file and line at fault.
TEST(ResourceCompiler, BadInputStopsTheBuildWithItsPlace) {
    testkit::PlatformRoot root;
    const std::string output = (root.path() / "out.S").string();
    const std::string good = root.write("good.txt", "1\tok\n").string();
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--strings", "1029", root.write("a.txt", "1\tok\nx\tno id\n").string()}, "a.txt:2:"},
        {{"--strings", "1029", root.write("b.txt", "1\tbad \\q escape\n").string()}, "b.txt:1: unknown escape \\q"},
        {{"--strings", "1029", root.write("c.txt", "5\tone\n5\ttwo\n").string()}, "c.txt:2: string 5 is given twice"},
        {{"--strings", "1029", root.write("d.txt", "1\t\xFF\xFE\n").string()}, "d.txt:1: the text is not UTF-8"},
        {{"--strings", "1029", good, "--strings", "0x405", good}, "already given"},
        {{"--strings", "70000", good}, "language 70000"},
        {{"--binary", "RCDATA", "0", "0", good}, "name 0 is not in 1..65535"},
        {{"--binary", "RCDATA", "1", "0", (root.path() / "missing.bin").string()}, "missing.bin: no such file"},
        {{"--binary", "HTML", "a.htm", "0", good, "--binary", "23", "A.HTM", "0", good}, "is given twice"},
        {{"--binary", "RCDATA"}, "unexpected argument"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv = {TESK_RESOURCE_COMPILER, output};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        const auto result = testkit::run(argv);
        EXPECT_EQ(1, result.exitCode) << c.message;
        EXPECT_NE(std::string::npos, result.err.find(c.message)) << result.err;
        EXPECT_FALSE(fs::exists(output)) << c.message;
    }
}

}  // namespace
