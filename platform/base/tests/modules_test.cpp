// LoadLibrary and its companions over a probe shared object built beside
// the tests: the Windows name mapping, the search folders, reference counts,
// exports, module handles and file names.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/ansi_name.h"
#include "platform/modules.h"
#include "platform/paths.h"
#include "platform/text.h"
#include <testkit/scoped_env.h>
#include "testkit/sanitize_build.h"
#include "testkit/platform_root.h"
#include "win32/error.h"
#include "win32/modules.h"
#include "win32/resources.h"

namespace {

namespace fs = std::filesystem;

const HMODULE kForged = reinterpret_cast<HMODULE>(0x1000);

template <class Function>
Function exportOf(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(GetProcAddress(module, name));
}

class Modules : public ::testing::Test {
protected:
    testkit::PlatformRoot root;
    const fs::path probe = TESK_PROBE_MODULE;
    ScopedEnv modulePath{"PLATFORM_MODULE_PATH", ("/nonexistent::" + probe.parent_path().string()).c_str()};
};

TEST_F(Modules, AWindowsNameLoadsTheSharedObjectOnceWithCountedReleases) {
    const HMODULE first = LoadLibraryA("Tesk_Counted.dll");
    ASSERT_NE(nullptr, first) << GetLastError();
    const HMODULE second = LoadLibraryW(u"TESK_COUNTED");
    EXPECT_EQ(first, second);
    EXPECT_EQ(first, GetModuleHandleA("tesk_counted.DLL"));
    const auto answer = exportOf<int (*)()>(first, "counted_answer");
    ASSERT_NE(nullptr, answer);
    EXPECT_EQ(7, answer());

    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(first, GetModuleHandleW(u"tesk_counted.dll"));  // one load is still held
    EXPECT_TRUE(FreeLibrary(second));
    if (testkit::kFreedModulesGo) {
        EXPECT_EQ(nullptr, GetModuleHandleA("tesk_counted.dll"));
        EXPECT_EQ(ERROR_MOD_NOT_FOUND, GetLastError());
    }
}

TEST_F(Modules, ANamedFolderIsTheOnlyPlaceLookedAtAndCaseDoesNotMatter) {
    fs::copy_file(probe, root.path() / "Tesk_PROBE.so");
    const std::string name = platform::paths::toAnsiName(root.path() / "tesk_probe.DLL");
    const HMODULE module = LoadLibraryA(name.c_str());
    ASSERT_NE(nullptr, module) << GetLastError();
    EXPECT_EQ(root.path() / "Tesk_PROBE.so", platform::modules::fileOf(module));
    EXPECT_EQ(module, GetModuleHandleA(name.c_str()));
    EXPECT_TRUE(FreeLibrary(module));

    const std::string elsewhere = platform::paths::toAnsiName(root.path() / "empty" / "tesk_probe.dll");
    fs::create_directories(root.path() / "empty");
    EXPECT_EQ(nullptr, LoadLibraryA(elsewhere.c_str()));
    EXPECT_EQ(ERROR_MOD_NOT_FOUND, GetLastError());
}

TEST_F(Modules, TheSystemFolderIsSearched) {
    ScopedEnv noModulePath("PLATFORM_MODULE_PATH", "");
    const fs::path installed = platform::paths::systemFolder() / "libsysprobe.so";
    fs::copy_file(probe, installed);
    EXPECT_EQ(installed, platform::modules::resolve(u"SysProbe.dll"));
    EXPECT_EQ(installed, platform::modules::resolve(u"sysprobe.OCX")) << "a control is a library";
    const HMODULE module = LoadLibraryW(u"SysProbe.dll");
    ASSERT_NE(nullptr, module) << GetLastError();
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_TRUE(platform::modules::resolve(u"NoSuchModule.dll").empty());
}

TEST_F(Modules, MissingAndUnloadableFilesGiveTheirErrors) {
    EXPECT_EQ(nullptr, LoadLibraryA("NoSuchModule.dll"));
    EXPECT_EQ(ERROR_MOD_NOT_FOUND, GetLastError());
    root.write("junk/libjunk.so", "this is text, not a shared object");
    EXPECT_EQ(nullptr, LoadLibraryA(platform::paths::toAnsiName(root.path() / "junk" / "junk.dll").c_str()));
    EXPECT_EQ(ERROR_BAD_EXE_FORMAT, GetLastError());
    EXPECT_EQ(nullptr, LoadLibraryW(nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_EQ(nullptr, LoadLibraryExA("tesk_probe.dll", reinterpret_cast<HANDLE>(1), 0));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
}

TEST_F(Modules, GetProcAddressFindsOnlyTheModulesOwnExports) {
    const HMODULE module = LoadLibraryA("tesk_probe.dll");
    ASSERT_NE(nullptr, module);
    for (const char* name : {"no_such_function", "malloc" /* a dependency's */, MAKEINTRESOURCEA(1),
                             static_cast<const char*>(nullptr)}) {
        SetLastError(0);
        EXPECT_EQ(nullptr, GetProcAddress(module, name));
        EXPECT_EQ(ERROR_PROC_NOT_FOUND, GetLastError());
    }
    const HMODULE insideTheImage = reinterpret_cast<HMODULE>(reinterpret_cast<char*>(module) + 16);
    for (const HMODULE bad : {kForged, insideTheImage}) {
        EXPECT_EQ(nullptr, GetProcAddress(bad, "probe_answer"));
        EXPECT_EQ(ERROR_MOD_NOT_FOUND, GetLastError());
        EXPECT_FALSE(FreeLibrary(bad));
        EXPECT_EQ(ERROR_MOD_NOT_FOUND, GetLastError());
    }
    EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(Modules, EachCopyOfTheLayerKnowsItsOwnModule) {
    const HMODULE program = GetModuleHandleW(nullptr);
    EXPECT_EQ(program, platform::modules::thisModule());
    EXPECT_EQ(program, GetModuleHandleA("platform_base_tests.exe"));
    EXPECT_NE(nullptr, GetModuleHandleA("libc.so.6"));
    EXPECT_TRUE(FreeLibrary(program));

    const HMODULE module = LoadLibraryA("tesk_probe.dll");
    ASSERT_NE(nullptr, module);
    EXPECT_NE(program, module);
    EXPECT_EQ(module, exportOf<HMODULE (*)()>(module, "probe_this_module")());
    EXPECT_TRUE(fs::equivalent(probe, platform::modules::fileOf(module)));
    EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(Modules, ModuleFileNamesAreCutToTheBuffer) {
    const std::string program = fs::read_symlink("/proc/self/exe").string();
    char name[4096];
    EXPECT_EQ(program.size(), GetModuleFileNameA(nullptr, name, sizeof name));
    EXPECT_EQ(program, name);
    WCHAR wide[4096];
    EXPECT_EQ(program.size(), GetModuleFileNameW(GetModuleHandleW(nullptr), wide, 4096));
    EXPECT_EQ(platform::text::fromUtf8(program), wide);

    SetLastError(0);
    char cut[5];
    EXPECT_EQ(5u, GetModuleFileNameA(nullptr, cut, 5));
    EXPECT_EQ(program.substr(0, 4), cut);
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_EQ(0u, GetModuleFileNameW(nullptr, wide, 0));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_EQ(0u, GetModuleFileNameW(kForged, wide, 4096));
    EXPECT_EQ(ERROR_MOD_NOT_FOUND, GetLastError());
}

TEST_F(Modules, ACutFileNameNeverSplitsASurrogatePair) {
    const fs::path folder = root.path() / "\xF0\x9D\x84\x9E";  // U+1D11E, two UTF-16 units
    fs::create_directories(folder);
    fs::copy_file(probe, folder / "libclef.so");
    const HMODULE module = LoadLibraryW(platform::text::fromUtf8((folder / "clef.dll").string()).c_str());
    ASSERT_NE(nullptr, module) << GetLastError();
    const std::u16string full = platform::text::fromUtf8((folder / "libclef.so").string());
    const std::size_t pairAt = full.find(u'\xD834');
    WCHAR cut[4096];
    // Room for everything up to and including the first half of the pair.
    EXPECT_EQ(pairAt + 2, GetModuleFileNameW(module, cut, static_cast<DWORD>(pairAt + 2)));
    EXPECT_EQ(full.substr(0, pairAt), cut);
    EXPECT_TRUE(FreeLibrary(module));
}

}  // namespace
