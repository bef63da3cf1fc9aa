// FormatMessage: system texts for every result code, inserts, buffers.
#include <gtest/gtest.h>

#include <cstdarg>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>

#include "platform/system_messages.h"
#include "win32/error.h"
#include "win32/memory.h"
#include "win32/message.h"

namespace {

std::string fromString(const char* definition, ...) {
    va_list args;
    va_start(args, definition);
    char buffer[256] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_STRING, definition, 0, 0, buffer, sizeof buffer, &args);
    va_end(args);
    return n ? std::string(buffer, n) : "<failed " + std::to_string(GetLastError()) + ">";
}

std::u16string fromStringW(const char16_t* definition, ...) {
    va_list args;
    va_start(args, definition);
    WCHAR buffer[256] = {};
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_STRING, definition, 0, 0, buffer, 256, &args);
    va_end(args);
    return std::u16string(buffer, n);
}

std::string systemText(DWORD code, DWORD flags = 0) {
    char buffer[512] = {};
    const DWORD n =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | flags, nullptr, code, 0, buffer, sizeof buffer, nullptr);
    return std::string(buffer, n);
}

}  // namespace

TEST(SystemMessages, EveryCodeOfTheHeaderHasAText) {
    const auto header = std::filesystem::path(TESK_BASE_INCLUDE_DIR) / "win32/error_codes.h";
    std::ifstream in(header);
    ASSERT_TRUE(in) << header;
    // Constants of the header that are not result codes.
    const std::set<std::string> notCodes = {"WAIT_OBJECT_0", "WAIT_ABANDONED", "WAIT_FAILED", "FACILITY_WIN32"};
    const std::regex constant(R"(inline constexpr \w+ (\w+) = (?:HRESULT_OF\()?(0x[0-9A-Fa-f]+|\d+)u?\)?;)");
    int checked = 0;
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        if (!std::regex_search(line, m, constant) || notCodes.count(m[1])) continue;
        const auto code = static_cast<DWORD>(std::stoul(m[2], nullptr, 0));
        EXPECT_FALSE(platform::systemMessage(code).empty()) << m[1] << " has no text";
        ++checked;
    }
    EXPECT_GT(checked, 350);
}

TEST(SystemMessages, WindowsWordingWithTheLineEnd) {
    EXPECT_EQ("The system cannot find the file specified.\r\n", systemText(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ("Access is denied.\r\n", systemText(static_cast<DWORD>(E_ACCESSDENIED))) << "a wrapped Win32 code";
    EXPECT_EQ("Keyset does not exist\r\n", systemText(static_cast<DWORD>(NTE_BAD_KEYSET)));
    EXPECT_EQ("Cannot find a smart card reader.\r\n", systemText(static_cast<DWORD>(SCARD_E_NO_READERS_AVAILABLE)));
    EXPECT_EQ("The operation timed out\r\n", systemText(ERROR_INTERNET_TIMEOUT));
    char buffer[128];
    EXPECT_EQ(19u, FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE, nullptr, ERROR_ACCESS_DENIED,
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT), buffer, sizeof buffer, nullptr));
    WCHAR wide[128];
    EXPECT_EQ(29u, FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_INVALID_PARAMETER, 0, wide, 128, nullptr));
    EXPECT_EQ(std::u16string(u"The parameter is incorrect.\r\n"), wide);
}

TEST(SystemMessages, Failures) {
    char buffer[16];
    const auto expectFailure = [&](DWORD code, DWORD flags, DWORD id, DWORD lang, DWORD size) {
        SetLastError(0);
        EXPECT_EQ(0u, FormatMessageA(flags, nullptr, id, lang, buffer, size, nullptr));
        EXPECT_EQ(code, GetLastError());
    };
    expectFailure(ERROR_MR_MID_NOT_FOUND, FORMAT_MESSAGE_FROM_SYSTEM, 0x12345678, 0, sizeof buffer);
    expectFailure(ERROR_INSUFFICIENT_BUFFER, FORMAT_MESSAGE_FROM_SYSTEM, ERROR_FILE_NOT_FOUND, 0, sizeof buffer);
    expectFailure(ERROR_RESOURCE_LANG_NOT_FOUND, FORMAT_MESSAGE_FROM_SYSTEM, ERROR_ACCESS_DENIED,
                  MAKELANGID(LANG_CZECH, SUBLANG_DEFAULT), sizeof buffer);
    expectFailure(ERROR_INVALID_PARAMETER, 0, ERROR_ACCESS_DENIED, 0, sizeof buffer);
    // "%1 is not a valid Win32 application." needs an argument that was not given.
    expectFailure(ERROR_INVALID_PARAMETER, FORMAT_MESSAGE_FROM_SYSTEM, ERROR_BAD_EXE_FORMAT, 0, sizeof buffer);
    EXPECT_EQ("%1 is not a valid Win32 application.\r\n",
              systemText(ERROR_BAD_EXE_FORMAT, FORMAT_MESSAGE_IGNORE_INSERTS));
}

TEST(FormatMessageInserts, NumberedInsertsWithPrintfConversions) {
    EXPECT_EQ("CSP 'Tesk' failed 3 times, code 0000007B",
              fromString("CSP '%1' failed %2!d! times, code %3!08X!", "Tesk", 3, 123));
    EXPECT_EQ("b a b", fromString("%2 %1 %2", "a", "b"));
    EXPECT_EQ("  Bi Bob   Bill", fromString("%1!*.*s! %4 %5!*s!", 4, 2, "Bill", "Bob", 6, "Bill"));
    EXPECT_EQ("9876543210 x", fromString("%1!I64u! %2", 9876543210ull, "x"));
    EXPECT_EQ("100% done.\r\n\t!", fromString("%1!d!%% done%.%n%t%!", 100));
    EXPECT_EQ("cut", fromString("cut%0 never shown"));
    EXPECT_EQ(std::u16string(u"Příliš žluť"), fromStringW(u"%1 %2!S!", u"Příliš", "\x9Elu\x9D"));
    EXPECT_EQ(std::string("\xF8") + "ada", fromString("%1!S!ada", u"ř")) << "the narrow form converts to ANSI";
}

TEST(FormatMessageInserts, ArgumentArrayHoldsPointerSizedValues) {
    const DWORD_PTR args[] = {reinterpret_cast<DWORD_PTR>(u"card"), 2, static_cast<DWORD_PTR>(-1)};
    WCHAR buffer[64];
    const DWORD n =
        FormatMessageW(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY, u"%1 in slot %2!u! (%3!d!)", 0, 0,
                       buffer, 64, reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(args)));
    EXPECT_EQ(std::u16string(u"card in slot 2 (-1)"), std::u16string(buffer, n));
}

TEST(FormatMessageInserts, RefusedInserts) {
    EXPECT_EQ("<failed 87>", fromString("%1!f!", 1.5)) << "no floating point in inserts";
    EXPECT_EQ("<failed 87>", fromString("%1!n!", nullptr));
    EXPECT_EQ("<failed 87>", fromString("%1!d", 1)) << "unclosed format";
    char buffer[16];
    EXPECT_EQ(0u, FormatMessageA(FORMAT_MESSAGE_FROM_STRING, "%1", 0, 0, buffer, sizeof buffer, nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_EQ(2u, FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_IGNORE_INSERTS, "%1", 0, 0, buffer,
                                 sizeof buffer, nullptr));
}

TEST(FormatMessageBuffers, AllocatedBufferIsFreedWithLocalFree) {
    LPWSTR text = nullptr;
    const DWORD n =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr,
                       static_cast<DWORD>(NTE_BAD_SIGNATURE), 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    ASSERT_NE(nullptr, text);
    EXPECT_EQ(std::u16string(u"Invalid Signature.\r\n"), std::u16string(text, n));
    EXPECT_EQ((n + 1) * sizeof(WCHAR), LocalSize(text));
    EXPECT_EQ(nullptr, LocalFree(text));

    LPSTR big = nullptr;
    EXPECT_EQ(3u, FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER, "abc", 0, 0,
                                 reinterpret_cast<LPSTR>(&big), 100, nullptr));
    EXPECT_EQ(100u, LocalSize(big)) << "nSize is the least to allocate";
    LocalFree(big);

    const std::string huge(200 * 1024, 'x');
    DWORD_PTR args[] = {reinterpret_cast<DWORD_PTR>(huge.c_str())};
    SetLastError(0);
    EXPECT_EQ(
        0u, FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                           "%1", 0, 0, reinterpret_cast<LPSTR>(&big), 0, reinterpret_cast<va_list*>(args)));
    EXPECT_EQ(ERROR_MORE_DATA, GetLastError()) << "output is limited to 128K bytes";
}
