// What liblumvar.so does with calls off the normal road, in the order a
// caller might make them on a freshly loaded library: before a
// configuration, with incomplete ones, with null arguments, after an error
// reply and around Close; then the version comparison against the server's
// versions; the library built without an upgrade program, and the one
// delivered, with the real one.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "lumvar/result_codes.h"
#include "testkit/platform_root.h"
#include "win32/error.h"
#include "win32/modules.h"
#include "win32/resources.h"

#include "library_fixture.h"

namespace {

using namespace lumvar;
using namespace lumvar::testing;

struct Step {
    const char* what;
    std::function<std::int32_t(LoadedLumvar&)> call;
    std::int32_t result;
    std::u16string logged;  // found in the log; empty: the log stays empty
};

TEST_F(LibraryTest, CallsOffTheRoadGetTheirCodesAndMessages) {
    Config oneMember;
    oneMember.setClientApp("halvex");
    Config configured = m_config;
    configured.setVersion({1, 2, 0, 0});
    const std::u16string programText = wide(program()), areaText = wide(area());
    const std::string address = m_server.url();
    const auto loadPlain = [&](const WCHAR* agentName, std::int32_t lang) {
        return [=, &programText, &areaText, &address](LoadedLumvar& lumvar) {
            return lumvar.LoadConfiguration_C("halvex", "7", address.c_str(), agentName, programText.c_str(),
                                              programText.c_str(), areaText.c_str(), LUMVAR_RELAXNG_DIR, 1, 2, 0, 0,
                                              lang);
        };
    };
    UpdateList list;
    std::vector<std::uint32_t> version;
    std::uint32_t remote[4] = {};
    std::int32_t need = 0;
    std::u16string text;
    WCHAR* buffer = nullptr;
    const WCHAR* serverError = nullptr;

    const std::vector<Step> steps = {
        {"hand-over before any configuration, log level never set", [](auto& l) { return l.DoUpdate(); },
         kNotConfigured, u""},
        {"log level 4", [](auto& l) { return l.SetLogLevel(4); }, kLogLevel, u""},
        {"Init before any configuration, log level still 0", [](auto& l) { return l.Init(); }, kNotConfigured, u""},
        {"log level 3", [](auto& l) { return l.SetLogLevel(3); }, kOk, u""},
        {"close before any Init", [](auto& l) { return l.Close(); }, kOk, u""},
        {"check before any configuration", [&](auto& l) { return l.CheckUpdates(&list, &version, &need); },
         kNotConfigured, u"LUMVAR_CheckUpdates: Není načtena platná konfigurace."},
        {"check into the library's list before any configuration",
         [&](auto& l) { return l.CheckUpdates_C(remote, &need); }, kNotConfigured,
         u"LUMVAR_CheckUpdates_C: Není načtena platná konfigurace."},
        {"download before any configuration", [&](auto& l) { return l.DownloadUpdates(&list); }, kNotConfigured,
         u"LUMVAR_DownloadUpdate: Není načtena platná konfigurace."},
        {"download of the library's list before any configuration", [](auto& l) { return l.DownloadUpdates_C(); },
         kNotConfigured, u"LUMVAR_DownloadUpdate: Není načtena platná konfigurace."},
        {"single downloads before any configuration", [&](auto& l) { return l.DownloadUpdatesSingly(&list, 0); },
         kNotConfigured, u"LUMVAR_DownloadUpdateSingly: Není načtena platná konfigurace."},
        {"single downloads of the library's list before any configuration",
         [](auto& l) { return l.DownloadUpdatesSingly_C(1); }, kNotConfigured,
         u"LUMVAR_DownloadUpdateSingly: Není načtena platná konfigurace."},
        {"a Config with one member set", [&](auto& l) { return l.LoadConfiguration(oneMember); }, kNotConfigured,
         u""},
        {"plain values with Lang 3", loadPlain(u"Lumvar test", 3), kNotConfigured, u""},
        {"plain values without an agent name", loadPlain(nullptr, Czech), kNotConfigured, u""},
        {"Init after refused configurations", [](auto& l) { return l.Init(); }, kNotConfigured,
         u"LUMVAR_Init: Není načtena platná konfigurace."},
        {"a complete Config", [&](auto& l) { return l.LoadConfiguration(configured); }, kOk, u""},
        {"an incomplete Config after it", [&](auto& l) { return l.LoadConfiguration(oneMember); }, kNotConfigured,
         u""},
        {"Init with the complete one kept", [](auto& l) { return l.Init(); }, kOk, u""},
        {"null callback", [](auto& l) { return l.SetCallback(nullptr); }, kNullArgument,
         u"LUMVAR_SetCallback: parametr pCallback nesmi byt NULL."},
        {"check without a list", [&](auto& l) { return l.CheckUpdates(nullptr, &version, &need); }, kNullArgument,
         u"LUMVAR_CheckUpdates: parametr pUpdateFl nesmi byt NULL."},
        {"check without a place for the server's version",
         [&](auto& l) { return l.CheckUpdates(&list, nullptr, &need); }, kNullArgument,
         u"LUMVAR_CheckUpdates: parametr pServerVersion nesmi byt NULL."},
        {"check without a place for the answer", [&](auto& l) { return l.CheckUpdates(&list, &version, nullptr); },
         kNullArgument, u"LUMVAR_CheckUpdates: parametr pNeedToUpdate nesmi byt NULL."},
        {"plain check without a version array", [&](auto& l) { return l.CheckUpdates_C(nullptr, &need); },
         kNullArgument, u"LUMVAR_CheckUpdates_C: parametr pRemoteVersion nesmi byt NULL."},
        {"plain check without a place for the answer", [&](auto& l) { return l.CheckUpdates_C(remote, nullptr); },
         kNullArgument, u"LUMVAR_CheckUpdates_C: parametr pNeedToUpdate nesmi byt NULL."},
        {"download without a list", [](auto& l) { return l.DownloadUpdates(nullptr); }, kNullArgument,
         u"LUMVAR_DownloadUpdates: Parametr pUpdateFileList nesmí být NULL"},
        {"single downloads without a list", [](auto& l) { return l.DownloadUpdatesSingly(nullptr, 0); },
         kNullArgument, u"LUMVAR_DownloadUpdatesSingly: Parametr pUpdateFileList nesmí být NULL"},
        {"log into null", [](auto& l) { return l.GetLog(nullptr, 0); }, kNullArgument,
         u"LUMVAR_GetLog: parametr pOutBuffer nesmi byt NULL."},
        {"log buffer into null", [](auto& l) { return l.GetLog_C(nullptr, 0); }, kNullArgument,
         u"LUMVAR_GetLog: parametr pOutBuffer nesmi byt NULL."},
        {"server error into null", [](auto& l) { return l.GetLastServerError(nullptr); }, kNullArgument,
         u"LUMVAR_GetLastServerError: parametr pErrMsg nesmi byt NULL."},
        {"an error reply", [&](auto& l) {
             m_server.answer(testkit::UpdateFault::ErrorDocument);
             return l.CheckUpdates_C(remote, &need);
         },
         kServerError, u"Server vrátil chybovou odpověď 500 : the repository cannot be read"},
        {"close", [](auto& l) { return l.Close(); }, kOk, u""},
        {"close again", [](auto& l) { return l.Close(); }, kOk, u""},
        {"Init after Close", [](auto& l) { return l.Init(); }, kOk, u""},
    };
    LoadedLumvar& lumvar = *m_lumvar;
    for (const Step& step : steps) {
        EXPECT_EQ(step.result, step.call(lumvar)) << step.what;
        const std::u16string log = lumvar.takeLog();
        if (step.logged.empty())
            EXPECT_EQ(u"", log) << step.what;
        else
            EXPECT_NE(std::u16string::npos, log.find(step.logged)) << step.what << "\n" << utf8(log);
    }
    // Only the error reply's check reached the server.
    EXPECT_EQ(1u, m_server.requests().size());

    ASSERT_EQ(kOk, lumvar.GetLastServerError(&serverError));
    EXPECT_EQ(u"500 : the repository cannot be read", std::u16string(serverError));
    EXPECT_EQ(kOk, lumvar.ClearLastServerError());
    ASSERT_EQ(kOk, lumvar.GetLastServerError(&serverError));
    EXPECT_EQ(u"", std::u16string(serverError));

    ASSERT_EQ(kOk, lumvar.ClearLog());
    ASSERT_EQ(kOk, lumvar.GetLog_C(&buffer, 0));
    ASSERT_NE(nullptr, buffer);
    EXPECT_EQ(u'\0', buffer[0]);
    EXPECT_EQ(kOk, lumvar.FreeLogBuffer(buffer));
    EXPECT_EQ(kOk, lumvar.FreeLogBuffer(nullptr));

    // Configured 1.2.0.0 against what the server offers: missing parts
    // count as 0, a fifth part still counts, only four are handed back.
    struct Offer {
        const char* version;
        std::array<std::uint32_t, 4> remote;
        std::int32_t need;
    };
    m_server.answer(testkit::UpdateFault::None);
    for (const Offer& offer : {Offer{"1.2", {1, 2, 0, 0}, 0}, Offer{"1.2.0.1", {1, 2, 0, 1}, 1},
                               Offer{"1.1.9.9", {1, 1, 9, 9}, 0}, Offer{"1.2.0.0.3", {1, 2, 0, 0}, 1},
                               Offer{"2", {2, 0, 0, 0}, 1}}) {
        testkit::UpdateTree tree = sampleTree();
        tree.version = offer.version;
        m_server.publish(tree);
        std::uint32_t got[4] = {9, 9, 9, 9};
        need = -1;
        ASSERT_EQ(kOk, lumvar.CheckUpdates_C(got, &need)) << offer.version << "\n" << utf8(lumvar.takeLog());
        EXPECT_EQ(offer.remote, (std::array<std::uint32_t, 4>{got[0], got[1], got[2], got[3]})) << offer.version;
        EXPECT_EQ(offer.need, need) << offer.version;
    }
}

TEST_F(LibraryTest, WithoutACarriedProgramTheHandOverTouchesNothing) {
    LoadedLumvar lumvar(LUMVAR_MODULE_WITHOUT_PROGRAM, m_root.path() / "bare");
    ASSERT_EQ(kOk, lumvar.LoadConfiguration(m_config));
    ASSERT_EQ(kOk, lumvar.SetLogLevel(1));
    EXPECT_EQ(kHandOverFiles, lumvar.DoUpdate());
    const std::u16string log = lumvar.takeLog();
    EXPECT_NE(std::u16string::npos, log.find(u"LUMVAR_DoUpdate: Nepodařilo se najít resource. Err=")) << utf8(log);
    EXPECT_FALSE(std::filesystem::exists(area()));
    EXPECT_EQ("old text", testkit::readFile(program() / "složka" / "čtení.txt"));
}

// The library as delivered carries the upgrade process itself, byte for
// byte, where the hand-over looks for it.
TEST(DeliveredLibrary, CarriesTheUpgradeProcessByteForByte) {
    const HMODULE module = LoadLibraryExW(wide(LUMVAR_DELIVERED_MODULE).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module) << GetLastError();
    const HRSRC found = FindResourceExW(module, MAKEINTRESOURCEW(RT_RCDATA_ID), MAKEINTRESOURCEW(105), 1029);
    ASSERT_NE(nullptr, found) << GetLastError();
    const void* data = LockResource(LoadResource(module, found));
    ASSERT_NE(nullptr, data);
    const std::string carried(static_cast<const char*>(data), SizeofResource(module, found));
    EXPECT_EQ(testkit::readFile(TORNIL_PROGRAM_FILE), carried);
    EXPECT_TRUE(FreeLibrary(module));
}

}  // namespace

// A link in the program folder to a folder outside it: the check refuses
// the folder, so no delete list ever names what lies behind the link; one
// put there after the check stops the hand-over with the same error, before
// anything behind it reaches the backup and before the upgrade starts.
TEST_F(LibraryTest, ALinkInTheProgramFolderIsRefusedAndNothingBehindItIsListedOrCopied) {
    const std::filesystem::path outside = m_root.path() / "venku";
    testkit::writeFile(outside / "cizí.txt", "not the program's");
    std::filesystem::create_directory_symlink(outside, program() / "odkaz");
    LoadedLumvar& lumvar = *m_lumvar;
    ASSERT_EQ(kOk, lumvar.LoadConfiguration(m_config));
    ASSERT_EQ(kOk, lumvar.Init());
    ASSERT_EQ(kOk, lumvar.SetLogLevel(1));
    UpdateList list;
    std::vector<std::uint32_t> serverVersion;
    std::int32_t needToUpdate = -1;
    EXPECT_EQ(kFolderWalk, lumvar.CheckUpdates(&list, &serverVersion, &needToUpdate));
    std::u16string log = lumvar.takeLog();
    EXPECT_NE(std::u16string::npos, log.find(u"odkaz")) << utf8(log);
    for (const FileRecord& file : list.files) EXPECT_EQ(std::u16string::npos, file.path.find(u"odkaz")) << utf8(file.path);

    std::filesystem::remove(program() / "odkaz");
    list = {};
    ASSERT_EQ(kOk, lumvar.CheckUpdates(&list, &serverVersion, &needToUpdate)) << utf8(lumvar.takeLog());
    lumvar.takeLog();
    std::filesystem::create_directory_symlink(outside, program() / "složka" / "odkaz");
    EXPECT_EQ(kFolderWalk, lumvar.DoUpdate());
    log = lumvar.takeLog();
    EXPECT_NE(std::u16string::npos, log.find(u"LUMVAR_DoUpdate: Ve složce s aplikací je odkaz")) << utf8(log);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(area()))
        EXPECT_NE("cizí.txt", entry.path().filename()) << entry.path();
    EXPECT_FALSE(std::filesystem::exists(area() / "bin"));
    EXPECT_EQ("not the program's", testkit::readFile(outside / "cizí.txt"));
    EXPECT_EQ("old text", testkit::readFile(program() / "složka" / "čtení.txt"));
    EXPECT_EQ(kOk, lumvar.Close());
}
