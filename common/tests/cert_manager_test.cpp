// The remembered certificate lists: their registry layout, loading with the
// older single-value form, selection, ordering by last use, certificates
// too large for a fixed buffer, failed saves, and both lists read by another
// process.
#include "common/cert_manager.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cert_lists_support.h"
#include "cms_verify_support.h"
#include "common/log.h"
#include "common/trusted_store.h"

namespace {

using namespace cert_lists_support;

constexpr char kChildMode[] = "CERT_LISTS_CHILD";

std::vector<std::string> serials(const std::vector<CertInfo>& list) {
    std::vector<std::string> out;
    for (const auto& record : list) out.push_back(record.serialHex);
    return out;
}

std::vector<std::string> logged() {
    std::vector<std::string> lines;
    TLogStrVect::Instance()->GetAll(lines);
    return lines;
}

class CertManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        TLogStrVect::Instance()->SetMask(0xFF);
        manager.SetBaseKey(kCerts);
    }
    void TearDown() override { TLogStrVect::ReleaseInstance(); }

    std::vector<std::string> selected(int n, DWORD flags) {
        std::vector<CertInfo> out;
        manager.SelectCertificates(n, out, flags);
        return serials(out);
    }

    testkit::PlatformRoot root;  // first: making the certificates uses the emulated machine
    const Certificates& c = certs();
    TCertManager manager;
};

TEST_F(CertManagerTest, SavedListIsACountAndOnePemValueEachMostRecentFirst) {
    ASSERT_TRUE(manager.AddCertificate(1, c.commercial, false));
    ASSERT_TRUE(manager.AddCertificate(1, c.qualified, true));
    EXPECT_EQ((Values{{"0", sz(c.qualified.pem)}, {"1", sz(c.commercial.pem)}, {"ncerts", dword(2)}}),
              valuesOf(kCerts + "\\1"));
    EXPECT_TRUE(valuesOf(kCerts).empty());

    TCertManager withoutKey;
    std::vector<CertInfo> none;
    EXPECT_FALSE(withoutKey.AddCertificate(1, c.qualified, true));
    EXPECT_FALSE(withoutKey.LoadList(1, none));
}

TEST_F(CertManagerTest, LoadingKeepsDecodableCurrentCertificatesAndLeavesTheRestStored) {
    writeValues(kCerts + "\\0",
                {{"0", c.commercial.pem}, {"2", c.expired.pem}, {"3", "no certificate"}, {"4", c.notYetValid.pem},
                 {"5", c.qualified.pem}, {"6", c.tsa.pem}},
                6);
    writeValues(kCerts + "\\4", {{"0", c.tsa.pem}}, 1);
    writeValues(kCerts + "\\5", {{"0", c.tsa.pem}}, 1);
    CReg withoutCount;
    ASSERT_TRUE(withoutCount.Create(HKEY_CURRENT_USER, (kCerts + "\\3").c_str()));
    const Values stored = valuesOf(kCerts + "\\0");

    ASSERT_TRUE(manager.AddCertificate(3, c.qualified, false));
    EXPECT_TRUE(manager.LoadAll());
    EXPECT_EQ((std::vector{c.commercial.serialHex, c.qualified.serialHex}), selected(0, sgCertDefault));
    EXPECT_EQ(std::vector{c.tsa.serialHex}, selected(4, sgCertDefault));
    EXPECT_TRUE(selected(3, sgCertDefault).empty());  // emptied, and its key has no count
    EXPECT_TRUE(selected(5, sgCertDefault).empty());  // beyond the five lists
    EXPECT_EQ(stored, valuesOf(kCerts + "\\0"));
}

TEST_F(CertManagerTest, OlderFormMovesToTheListKeyBeforeItsValueGoes) {
    writeValues(kCerts, {{"1", c.commercial.pem}, {"2", "no certificate"}, {"3", c.expired.pem}}, std::nullopt);

    manager.LoadAll();
    EXPECT_EQ(std::vector{c.commercial.serialHex}, selected(1, sgCertDefault));
    EXPECT_TRUE(selected(3, sgCertDefault).empty());
    EXPECT_EQ((Values{{"0", sz(c.commercial.pem)}, {"ncerts", dword(1)}}), valuesOf(kCerts + "\\1"));
    EXPECT_EQ((Values{{"0", sz(c.expired.pem)}, {"ncerts", dword(1)}}), valuesOf(kCerts + "\\3"));
    // What does not decode is left where it was.
    EXPECT_EQ((Values{{"2", sz("no certificate")}}), valuesOf(kCerts));
}

TEST_F(CertManagerTest, SelectionFlagsFilterAndAppend) {
    for (const auto* record : {&c.expired, &c.commercial, &c.sscdBy2010, &c.qualifiedOnly, &c.qualified})
        manager.AddCertificate(0, *record, false);
    const auto& q = c.qualified.serialHex;
    const auto& qo = c.qualifiedOnly.serialHex;
    const auto& old = c.sscdBy2010.serialHex;

    EXPECT_EQ((std::vector{q, qo, old, c.commercial.serialHex, c.expired.serialHex}), selected(0, sgCertDefault));
    EXPECT_EQ((std::vector{q, qo, old, c.commercial.serialHex}), selected(0, sgCertValid));
    EXPECT_EQ((std::vector{q, qo}), selected(0, sgCertQualifiedOnly));
    EXPECT_EQ((std::vector{q, old}), selected(0, sgCertSSCDOnly));
    EXPECT_EQ(std::vector{q}, selected(0, sgCertQualifiedOnly | sgCertSSCDOnly));

    std::vector<CertInfo> out{c.tsa};
    EXPECT_TRUE(manager.SelectCertificates(0, out, sgCertQualifiedOnly | sgCertSSCDOnly));
    EXPECT_EQ((std::vector{c.tsa.serialHex, q}), serials(out));
    std::vector<CertInfo> none;
    EXPECT_FALSE(manager.SelectCertificates(2, none, sgCertDefault));
}

TEST_F(CertManagerTest, ChainFlagsSelectCertificatesWhoseChainValidates) {
    const auto revoked = userIssuedBy(c.pki.standardCa, "Revoked").build();
    verify_support::installHierarchy(c.pki, revoked.certificate);
    for (const auto& credential : {c.pki.untrusted, c.pki.expired, revoked, c.pki.commercial})
        manager.AddCertificate(0, infoOf(credential.certificate), false);

    EXPECT_EQ((std::vector{c.commercial.serialHex, infoOf(revoked.certificate).serialHex}),
              selected(0, sgCertChainValid));
    EXPECT_EQ(std::vector{c.commercial.serialHex}, selected(0, sgCertChainCrlValid));
}

TEST_F(CertManagerTest, AddingMovesToTheFrontAndWritesOnlyAChange) {
    writeValues(kCerts + "\\2",
                {{"0", c.commercial.pem}, {"1", c.tsa.pem}, {"2", c.expired.pem}, {"3", c.notYetValid.pem},
                 {"4", c.qualified.pem}},
                5);
    manager.LoadAll();

    ASSERT_TRUE(manager.AddCertificate(2, c.qualified, true));
    const Values moved{{"0", sz(c.qualified.pem)},   {"1", sz(c.commercial.pem)}, {"2", sz(c.tsa.pem)},
                       {"3", sz(c.notYetValid.pem)}, {"4", sz(c.qualified.pem)},  {"ncerts", dword(3)}};
    EXPECT_EQ(moved, valuesOf(kCerts + "\\2"));  // "3" and "4" are stale, beyond the count

    CReg key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, (kCerts + "\\2").c_str(), false));
    ASSERT_TRUE(key.DeleteValue("ncerts"));
    EXPECT_TRUE(manager.AddCertificate(2, c.qualified, true));
    EXPECT_EQ(0u, valuesOf(kCerts + "\\2").count("ncerts"));  // already first: nothing written
}

TEST_F(CertManagerTest, CertificatesLargerThan8KBSurviveALoadAndTheNextSave) {
    ASSERT_GT(c.large.pem.size(), 8192u);
    writeValues(kCerts + "\\1", {{"0", c.large.pem}}, 1);

    manager.LoadAll();
    ASSERT_TRUE(manager.AddCertificate(1, c.commercial, true));
    EXPECT_EQ((std::vector{c.commercial.serialHex, c.large.serialHex}), selected(1, sgCertDefault));
    EXPECT_EQ(sz(c.large.pem), valuesOf(kCerts + "\\1")["1"]);
}

TEST_F(CertManagerTest, SaveFailsWhenAnyValueCannotBeWritten) {
    CertInfo oversized = c.commercial;  // more than the registry takes in one value
    oversized.serialHex = "01";
    oversized.pem.assign((16u << 20) + 1, 'A');
    manager.AddCertificate(1, c.qualified, false);
    manager.AddCertificate(1, oversized, false);
    EXPECT_FALSE(manager.AddCertificate(1, c.tsa, true));

    const Values written = valuesOf(kCerts + "\\1");
    EXPECT_EQ((Values{{"0", sz(c.tsa.pem)}, {"2", sz(c.qualified.pem)}, {"ncerts", dword(3)}}), written);
    const auto lines = logged();
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("WARN writing to the registry failed: 0x00000057 (87)- "));
}

// ---- Across processes ----

// Runs the child side below in a new process of this program. Root writes
// files whatever their mode bits say; a child without the capabilities that
// allow it obeys them as any user does.
testkit::RunResult runChild(const std::string& mode, bool obeyFileModes) {
    std::vector<std::string> argv;
    if (obeyFileModes && geteuid() == 0)
        argv = {"setpriv", "--bounding-set=-dac_override,-dac_read_search,-fowner", "--"};
    argv.push_back(std::filesystem::read_symlink("/proc/self/exe").string());
    argv.push_back("--gtest_also_run_disabled_tests");
    argv.push_back("--gtest_filter=CertListsChild.*");
    return testkit::run(argv, testkit::RunOptions{.env = {{kChildMode, mode}}});
}

// The registry database and its folder made read-only for the life of the
// object.
class ReadOnlyRegistry {
public:
    explicit ReadOnlyRegistry(const std::filesystem::path& folder) : m_folder(folder) {
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.path().filename().string().starts_with("registry.db")) m_files.push_back(entry.path());
        setWritable(false);
    }
    ~ReadOnlyRegistry() { setWritable(true); }

private:
    void setWritable(bool writable) {
        using std::filesystem::perms;
        const auto write = perms::owner_write | perms::group_write | perms::others_write;
        const auto options = writable ? std::filesystem::perm_options::add : std::filesystem::perm_options::remove;
        for (const auto& file : m_files) std::filesystem::permissions(file, write, options);
        std::filesystem::permissions(m_folder, perms::owner_write, options);
    }

    std::filesystem::path m_folder;
    std::vector<std::filesystem::path> m_files;
};

TEST_F(CertManagerTest, BothListsAreReadByAnotherProcess) {
    manager.AddCertificate(1, c.large, false);
    ASSERT_TRUE(manager.AddCertificate(1, c.commercial, true));
    auto* trusted = TCertTrustedStore::Instance();
    trusted->Clear();
    trusted->SetBaseKey(kTrusted);
    ASSERT_TRUE(trusted->Add(16, c.large, true));
    trusted->Clear();  // the store outlives this test

    const auto child = runChild("load", false);
    ASSERT_EQ(0, child.exitCode) << child.out << child.err;
    EXPECT_NE(std::string::npos, child.out.find("list 1: " + c.commercial.serialHex + " " + c.large.serialHex + "\n"));
    EXPECT_NE(std::string::npos, child.out.find("trusted " + c.large.serialHex + " 16\n"));
    EXPECT_NE(std::string::npos, child.out.find("trusted " + c.commercial.serialHex + " none\n"));
}

TEST_F(CertManagerTest, SavingIntoAReadOnlyRegistryFailsAndLosesNothing) {
    TESTKIT_REQUIRE_PROGRAM("setpriv");
    writeValues(kCerts + "\\1", {{"0", c.commercial.pem}}, 1);
    writeValues(kCerts, {{"2", c.qualified.pem}}, std::nullopt);  // the older form
    const Values list = valuesOf(kCerts + "\\1");
    const Values base = valuesOf(kCerts);

    testkit::RunResult child;
    {
        const ReadOnlyRegistry readOnly(root.path());
        child = runChild("save", true);
    }
    ASSERT_EQ(0, child.exitCode) << child.out << child.err;
    EXPECT_NE(std::string::npos, child.out.find("list 2: " + c.qualified.serialHex + "\n"));
    EXPECT_NE(std::string::npos, child.out.find("saved list: 0\nsaved trusted: 0\n"));
    EXPECT_NE(std::string::npos, child.out.find("WARN writing to the registry failed: ncerts 0x00000005 (5)- "));
    EXPECT_EQ(list, valuesOf(kCerts + "\\1"));
    EXPECT_EQ(base, valuesOf(kCerts));
    EXPECT_TRUE(valuesOf(kCerts + "\\2").empty());
}

// The child side: loads both lists from the registry the parent left, prints
// them, and with "save" puts the certificate of list 2 into list 1 and into
// the trusted store and prints the outcomes and the log.
TEST(CertListsChild, DISABLED_LoadsAndSaves) {
    const char* mode = std::getenv(kChildMode);
    ASSERT_NE(nullptr, mode) << "runs only as the child of the tests across processes";
    TLogStrVect::Instance()->SetMask(0xFF);
    TCertManager manager;
    manager.SetBaseKey(kCerts);
    manager.LoadAll();
    auto* trusted = TCertTrustedStore::Instance();
    trusted->SetBaseKey(kTrusted);
    trusted->Load();

    for (int n = 0; n < TCertManager::kListCount; ++n) {
        std::vector<CertInfo> list;
        if (!manager.SelectCertificates(n, list, sgCertDefault)) continue;
        std::string line = "list " + std::to_string(n) + ":";
        for (const auto& serial : serials(list)) line += " " + serial;
        std::printf("%s\n", line.c_str());
        for (const auto& record : list) {
            TTrustedEntry entry;
            const std::string flags = trusted->FindEntry(record, entry) ? std::to_string(entry.flags) : "none";
            std::printf("trusted %s %s\n", record.serialHex.c_str(), flags.c_str());
        }
    }
    std::vector<CertInfo> toSave;
    if (std::string(mode) != "save" || !manager.SelectCertificates(2, toSave, sgCertDefault)) return;
    std::printf("saved list: %d\n", manager.AddCertificate(1, toSave[0], true) ? 1 : 0);
    std::printf("saved trusted: %d\n", trusted->Add(1, toSave[0], true) ? 1 : 0);
    for (const auto& line : logged()) std::printf("%s", line.c_str());
}

}  // namespace
