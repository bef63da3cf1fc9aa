// Version information: this test program carries a version block (VERSION
// in its tesk_add_resources call), read back from its file by path; files
// without one fail with the code that tells why; damaged blocks stay in
// bounds.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "testkit/platform_root.h"
#include "win32/error.h"
#include "win32/modules.h"
#include "win32/version.h"

namespace {

std::u16string ownPath() {
    WCHAR path[4096];
    const DWORD n = GetModuleFileNameW(nullptr, path, 4096);
    return std::u16string(path, n);
}

std::vector<BYTE> blockOf(const std::u16string& file) {
    DWORD handle = 7;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &handle);
    EXPECT_NE(0u, size) << GetLastError();
    EXPECT_EQ(0u, handle);
    std::vector<BYTE> block(size);
    EXPECT_TRUE(GetFileVersionInfoW(file.c_str(), 0, size, block.data())) << GetLastError();
    return block;
}

std::u16string textOf(const void* block, const char16_t* path) {
    LPVOID value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block, path, &value, &length)) return u"<" + std::u16string(path) + u" missing>";
    EXPECT_GT(length, 0u);
    const auto* text = static_cast<const char16_t*>(value);
    EXPECT_EQ(u'\0', text[length - 1]) << "the length counts the NUL";
    return std::u16string(text, length - 1);
}

TEST(VersionInfo, TheProgramReadsItsOwnFixedInfoTranslationAndTexts) {
    const auto block = blockOf(ownPath());

    LPVOID value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), u"\\", &value, &length));
    ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), length);
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(VS_FFI_SIGNATURE, fixed->dwSignature);
    EXPECT_EQ(0x00030001u, fixed->dwFileVersionMS);
    EXPECT_EQ(0x0004000Fu, fixed->dwFileVersionLS);
    EXPECT_EQ(1u, fixed->dwFileType) << "a program";

    ASSERT_TRUE(VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(4u, length);
    const auto* pair = static_cast<const WORD*>(value);
    EXPECT_EQ(0x0405, pair[0]) << "the language of the first string table";
    EXPECT_EQ(1200, pair[1]);

    EXPECT_EQ(u"3.1.4.15", textOf(block.data(), u"\\StringFileInfo\\040504b0\\FileVersion"));
    EXPECT_EQ(u"3.1.4.15", textOf(block.data(), u"\\stringfileinfo\\040504B0\\productversion"));

    for (const char16_t* missing :
         {u"\\StringFileInfo\\040904b0\\FileVersion", u"\\StringFileInfo\\040504b0\\CompanyName", u"\\Nothing"}) {
        SetLastError(0);
        EXPECT_FALSE(VerQueryValueW(block.data(), missing, &value, &length));
        EXPECT_EQ(ERROR_RESOURCE_TYPE_NOT_FOUND, GetLastError());
    }
}

TEST(VersionInfo, FilesWithoutABlockFailWithTheirReason) {
    testkit::PlatformRoot root;
    const auto text = root.write("notes.txt", "not a module\n");
    const struct {
        std::u16string file;
        DWORD error;
    } cases[] = {
        {std::filesystem::path(TESK_PROBE_MODULE).u16string(), ERROR_RESOURCE_TYPE_NOT_FOUND},
        {text.u16string(), ERROR_RESOURCE_DATA_NOT_FOUND},
        {(root.path() / "missing.exe").u16string(), ERROR_FILE_NOT_FOUND},
    };
    for (const auto& c : cases) {
        SetLastError(0);
        EXPECT_EQ(0u, GetFileVersionInfoSizeW(c.file.c_str(), nullptr));
        EXPECT_EQ(c.error, GetLastError());
        BYTE buffer[64];
        EXPECT_FALSE(GetFileVersionInfoW(c.file.c_str(), 0, sizeof buffer, buffer));
        EXPECT_EQ(c.error, GetLastError());
    }
}

// A short buffer and damaged lengths inside the block: queries succeed or
// fail, and what they find lies inside the block.
TEST(VersionInfo, ShortOrDamagedBlocksAreNeverReadPastTheirEnd) {
    const auto full = blockOf(ownPath());
    std::vector<BYTE> shortCopy(full.size() + 64, 0xFF);
    ASSERT_TRUE(GetFileVersionInfoW(ownPath().c_str(), 0, 100, shortCopy.data()));
    LPVOID value = nullptr;
    UINT length = 0;
    EXPECT_TRUE(VerQueryValueW(shortCopy.data(), u"\\", &value, &length)) << "the fixed info lies in the first 100 bytes";
    EXPECT_FALSE(VerQueryValueW(shortCopy.data(), u"\\VarFileInfo\\Translation", &value, &length));

    const char16_t* paths[] = {u"\\", u"\\VarFileInfo\\Translation", u"\\StringFileInfo\\040504b0\\FileVersion"};
    for (std::size_t at = 2; at + 1 < full.size(); at += 2) {
        auto damaged = full;
        damaged[at] = 0xFF;
        damaged[at + 1] = 0x7F;
        for (const char16_t* path : paths) {
            if (!VerQueryValueW(damaged.data(), path, &value, &length)) continue;
            const auto* first = static_cast<const BYTE*>(value);
            const std::size_t bytes = path[1] == u'S' ? length * 2 : length;
            EXPECT_TRUE(first >= damaged.data() && first + bytes <= damaged.data() + damaged.size()) << at;
        }
    }
}

}  // namespace
