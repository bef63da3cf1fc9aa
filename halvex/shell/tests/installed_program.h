// The renewal program installed as on a user's machine, for runs of the
// program as a process of its own: its program folder, under a folder with
// Czech letters and blanks in its name (the program at 1.0.0.0,
// liblumvar.so, the schemas, the help with its viewer, the certificate
// dialogs and the rich-edit control, Versions.xml and a guide
// with its samples), the HSM engine stand-in at 1.0.0.0 registered from the
// system folder, and testkit's update server under the test environment's
// host name offering release 1.0.0.1: the program at 1.0.0.1, new notes, a
// licence and templates added, the guide and its samples gone, the COM
// server at 1.0.0.1. Files are copied without their debugging sections, as
// an installer ships them.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "halvex/profile.h"
#include "hsm_engine_lib.h"
#include "platform/com/ptr.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "shell_fixture.h"
#include "testkit/hsm_engine.h"
#include "testkit/process.h"
#include "testkit/registry_lines.h"
#include "testkit/scoped_env.h"
#include "testkit/update_server.h"
#include "update_server_host.h"
#include "win32/com.h"
#include "win32/crypt_store.h"
#include "win32/shell.h"

namespace installed_program {

namespace fs = std::filesystem;

inline const testkit::pki::Hierarchy& hierarchy() {
    static const testkit::pki::Hierarchy made = testkit::pki::Hierarchy::make();
    return made;
}

// A copy without debugging sections; the resources stay.
inline void installFile(const fs::path& from, const fs::path& to) {
    fs::create_directories(to.parent_path());
    const auto stripped = testkit::run({"strip", "--strip-debug", "-o", to.string(), from.string()});
    ASSERT_EQ(0, stripped.exitCode) << stripped.err;
    fs::permissions(to, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec, fs::perm_options::add);
}

// The files of a folder, and its folders, as the update server offers them.
inline testkit::UpdateTree releaseTree(const std::string& version, const fs::path& folder) {
    testkit::UpdateTree tree{version, {}, {}};
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string path = entry.path().lexically_relative(folder).generic_string();
        if (entry.is_directory())
            tree.folders.push_back({testkit::UpdateLocation::Program, path, false});
        else
            tree.files.push_back({testkit::UpdateLocation::Program, path, testkit::readFile(entry.path()), false});
    }
    return tree;
}

class InstalledProgram : public shell_fixture::ShellTest {
protected:
    void SetUp() override {
        // The screenshots' folder, before the fixture changes the current one.
        m_artifacts = std::make_unique<ScopedEnv>("TESTKIT_ARTIFACTS", testkit::artifactsDir().string());
        ShellTest::SetUp();
        if (HasFatalFailure()) return;
        TESTKIT_REQUIRE_PROGRAM("xmllint");
        TESTKIT_REQUIRE_PROGRAM("strip");
        TESTKIT_REQUIRE_PROGRAM("diff");
        const auto& der = hierarchy().root.certificate.der();
        HCERTSTORE trusted = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, u"Root");
        ASSERT_TRUE(CertAddEncodedCertificateToStore(trusted, X509_ASN_ENCODING, der.data(),
                                                     static_cast<DWORD>(der.size()), CERT_STORE_ADD_ALWAYS, nullptr));
        CertCloseStore(trusted, 0);
        ASSERT_TRUE(halvex::WriteProfileInt(halvex::kWorkspaceSection, u"AppEnvironment", halvex::kEnvironmentTest));

        for (const fs::path& folder : {program, release}) {
            installFile(LUMVAR_LIBRARY, folder / "liblumvar.so");
            installFile(TESK_HHCTRL_MODULE, folder / "libhhctrl.so");
            // The modules loaded by their Windows names, as the build puts
            // them beside the program.
            for (const char* module : {"libcryptui.so", "libriched32.so"})
                installFile(fs::path(HALVEX_PROGRAM).parent_path() / module, folder / module);
            fs::copy(LUMVAR_RELAXNG_DIR, folder / "RelaxNG", fs::copy_options::recursive);
            fs::copy(HALVEX_HELP_DIR, folder / "Halvex_cz", fs::copy_options::recursive);
        }
        installFile(HALVEX_PROGRAM, program / "halvex");
        testkit::writeFile(program / "Versions.xml", notes(kFirstNote));
        testkit::writeFile(program / "navod.txt", "Návod k verzi 1.0.0.0");
        testkit::writeFile(program / "ukazky" / "ukazka.txt", "Ukázka žádosti");
        installFile(HALVEX_NEWER_PROGRAM, release / "halvex");
        testkit::writeFile(release / "Versions.xml", notes(std::string(kFirstNote) + kNextNote));
        testkit::writeFile(release / "licence.txt", "Licenční podmínky");
        testkit::writeFile(release / "sablony" / "zadost.txt", "Šablona žádosti");

        systemModule = platform::paths::systemFolder() / testkit::HsmEngineStandIn::moduleFile("1.0.0.0").filename();
        fs::create_directories(systemModule.parent_path());
        fs::copy_file(testkit::HsmEngineStandIn::moduleFile("1.0.0.0"), systemModule);
        const testkit::HsmEngineStandIn registered(systemModule);

        testkit::UpdateTree offered = releaseTree("1.0.0.1", release);
        offered.files.push_back({testkit::UpdateLocation::SystemCom, systemModule.filename().string(),
                                 testkit::readFile(testkit::HsmEngineStandIn::moduleFile("1.0.0.1")), false});
        server = std::make_unique<testkit::UpdateServer>(hierarchy(), offered, shell_tests::testUpdateServerHost());
        server->mapHost();

        WCHAR localData[MAX_PATH] = {};
        ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, localData, CSIDL_LOCAL_APPDATA, TRUE));
        downloadArea = platform::paths::fromWindows(localData) / "Halvex" / "UpdateDownload";
        fs::create_directories(downloadArea);
    }

    // The installed program run from its folder (its libraries found
    // there) in the configuration folder, with these variables added.
    testkit::RunResult runInstalled(const std::map<std::string, std::string>& env) const {
        testkit::RunOptions options;
        options.env = env;
        options.env["LD_LIBRARY_PATH"] = program.string();
        options.env["PLATFORM_MODULE_PATH"] = fs::path(TESK_REGSVR32).parent_path().string();
        options.timeout = std::chrono::seconds(150);
        return testkit::run({(program / "halvex").string()}, options);
    }

    // The program folder is the release, the download area is cleaned, the
    // RunOnce value is gone and the class is served by the newer COM server.
    void expectUpdated() const {
        const auto diff = testkit::run({"diff", "-r", release.string(), program.string()});
        EXPECT_EQ(0, diff.exitCode) << diff.out << diff.err;
        EXPECT_FALSE(fs::exists(downloadArea / "update"));
        EXPECT_FALSE(fs::exists(downloadArea / "backup"));
        const std::u16string runOnce = u"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
        for (const std::string& line : testkit::registryLines(HKEY_CURRENT_USER, runOnce))
            EXPECT_EQ(platform::text::toUtf8(runOnce), line);

        ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        {
            platform::com::Ptr<IHsmEngine> object;
            ASSERT_EQ(S_OK, CoCreateInstance(CLSID_HsmEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IHsmEngine,
                                             reinterpret_cast<void**>(object.put())));
            BSTR version = nullptr;
            ASSERT_EQ(S_OK, object->get_ModuleVersion(&version));
            ASSERT_NE(nullptr, version);
            EXPECT_EQ(u"1.0.0.1", std::u16string(version, SysStringLen(version)));
            SysFreeString(version);
        }
        CoUninitialize();
    }

    static std::u16string storedVersion() {
        return halvex::GetProfileString(halvex::kWorkspaceSection, u"AppVersion", u"");
    }

    static constexpr char kFirstNote[] =
        "<version val='1.0.0.0'><change lang='CZ'><entry title='První vydání'>Obnova certifikátu.</entry>"
        "</change></version>";
    static constexpr char kNextNote[] =
        "<version val='1.0.0.1'><change lang='CZ'><entry title='Aktualizace programu'>Program se aktualizuje "
        "sám.</entry></change></version>";
    static std::string notes(const std::string& versions) { return "<versions>" + versions + "</versions>"; }

    fs::path program = root.path() / "Program Files" / "Příliš žluťoučký kůň" / "Halvex";
    fs::path release = root.path() / "release";
    fs::path systemModule;
    fs::path downloadArea;
    std::unique_ptr<testkit::UpdateServer> server;

private:
    std::unique_ptr<ScopedEnv> m_artifacts;
};

}  // namespace installed_program
