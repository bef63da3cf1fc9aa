// The enrolment session: its defaults, the machine's application profile,
// reset, the checked settings and the test box.
#include "enroll.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/reg.h"
#include "known_providers.h"
#include "my_error.h"
#include "pentak_support.h"
#include "pentak_resource.h"
#include "platform/ui.h"
#include "testkit/platform_root.h"
#include "win32/crypt_provider.h"
#include "win32/error.h"
#include "win32/registry.h"

namespace {

class EnrollTest : public ::testing::Test {
protected:
    void SetUp() override { TPentakResource::ReleaseInstance(); }
    void TearDown() override { TPentakResource::ReleaseInstance(); }

    static void setMachineProfile(DWORD profile) {
        CReg key;
        ASSERT_TRUE(key.Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tesk\\pentak"));
        ASSERT_TRUE(key.SetDword("AppProfile", profile));
    }

    static void expectDefaults(const CEnroll& session) {
        EXPECT_EQ(2u, session.GetKeySpec());
        EXPECT_EQ(1u, session.GetProviderType());
        EXPECT_EQ(4u, session.GetAttributeStringType());
        EXPECT_EQ(0u, session.GetGenKeyFlags());
        EXPECT_EQ(1250u, session.GetCodePage());
        EXPECT_EQ(u"text", session.GetMessageEncoding());
        EXPECT_FALSE(session.GetProviderName());
        EXPECT_FALSE(session.GetContainerName());
        EXPECT_FALSE(session.GetSmartCardReaderName());
        EXPECT_FALSE(session.GetCertificate());
        EXPECT_FALSE(session.GetMessageTBS());
        EXPECT_EQ(u"1.3.14.3.2.26", session.GetHashAlgorithmOid());
        EXPECT_EQ(u"1.3.14.3.2.29", session.GetSignatureAlgorithmOid());
    }

    testkit::PlatformRoot root;
};

TEST_F(EnrollTest, NewSessionHasTheDefaultsAndTheDefaultProfile) {
    CEnroll session;
    expectDefaults(session);
    EXPECT_EQ(sgAppProfileDefault, session.GetApplicationProfile());
    EXPECT_FALSE(session.GetSignDlgTitle());
}

TEST_F(EnrollTest, MachineProfileIsReadAtEveryReset) {
    setMachineProfile(1);
    CEnroll session;
    EXPECT_EQ(sgAppProfileQuib_CP31, session.GetApplicationProfile());
    session.SetApplicationProfile(sgAppProfileDefault);
    EXPECT_EQ(sgAppProfileDefault, session.GetApplicationProfile());
    session.Reset();
    EXPECT_EQ(sgAppProfileQuib_CP31, session.GetApplicationProfile());

    // A value of another type is no profile.
    CReg key;
    ASSERT_TRUE(key.Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tesk\\pentak"));
    ASSERT_TRUE(key.SetString("AppProfile", "1"));
    session.Reset();
    EXPECT_EQ(sgAppProfileDefault, session.GetApplicationProfile());
}

TEST_F(EnrollTest, ResetRestoresTheDefaultsButKeepsTheSignDialogTitle) {
    CEnroll session;
    session.SetKeySpec(1);
    session.SetProviderType(24);
    session.SetAttributeStringType(13);
    session.SetGenKeyFlags(0x08000001);
    session.SetCodePage(65001);
    ASSERT_EQ(0u, session.SetMessageEncoding(u"base64"));
    session.SetProviderName(u"Microsoft Enhanced Cryptographic Provider v1.0");
    session.SetContainerName(u"");
    session.SetSmartCardReaderName(u"Reader 1");
    session.SetCertificate(u"MIIB");
    session.SetMessageTBS(u"message");
    session.SetSignDlgTitle(u"Podpis");
    CMyError::Instance().SetLevel(11);
    CMyError::Instance().SetText(u"old");

    EXPECT_EQ(TRUE, session.Reset());
    expectDefaults(session);
    EXPECT_EQ(u"Podpis", session.GetSignDlgTitle());
    EXPECT_EQ(u"", CMyError::Instance().GetText());
    EXPECT_EQ(1, CMyError::Instance().GetLevel());
}

TEST_F(EnrollTest, CheckedSettingsRefuseWrongValuesAndKeepTheOldOnes) {
    CEnroll session;
    EXPECT_EQ(87u, session.SetMessageEncoding(u"Base64"));
    EXPECT_EQ(u"text", session.GetMessageEncoding());
    EXPECT_EQ(0u, session.SetMessageEncoding(u"base64"));
    EXPECT_EQ(u"base64", session.GetMessageEncoding());

    EXPECT_EQ(u"cs", session.GetGUILanguage());
    EXPECT_EQ(0u, session.SetGUILanguage(u"EN"));
    EXPECT_EQ(87u, session.SetGUILanguage(u"de"));
    EXPECT_EQ(87u, session.SetGUILanguage(u""));
    EXPECT_EQ(u"en", session.GetGUILanguage());
    // The language belongs to the process: every session and the texts see it.
    EXPECT_EQ(u"en", CEnroll().GetGUILanguage());
    EXPECT_EQ(u"&Yes", TPentakResource::Instance()->GetString(2));
}

TEST_F(EnrollTest, AlgorithmsAreCheckedAgainstTheProviderAndRefusedOnesAreNotStored) {
    constexpr const char16_t* sha256 = u"2.16.840.1.101.3.4.2.1";
    constexpr const char16_t* sha256WithRsa = u"1.2.840.113549.1.1.11";
    CEnroll session;
    EXPECT_EQ(87u, session.IsAlgOidSupported(u""));
    EXPECT_EQ(static_cast<DWORD>(NTE_BAD_PROVIDER), session.IsAlgOidSupported(sha256));

    session.SetProviderName(kAesProvider);
    session.SetProviderType(PROV_RSA_AES);
    EXPECT_EQ(1911u, session.IsAlgOidSupported(u"1.2.3.4"));
    EXPECT_EQ(0u, session.SetHashAlgorithmOid(sha256));
    EXPECT_EQ(0u, session.SetSignatureAlgorithmOid(sha256WithRsa));
    EXPECT_EQ(sha256, session.GetHashAlgorithmOid());
    EXPECT_EQ(sha256WithRsa, session.GetSignatureAlgorithmOid());

    // A provider without SHA-256, and one that is not installed.
    session.SetProviderName(u"Microsoft Strong Cryptographic Provider");
    session.SetProviderType(PROV_RSA_FULL);
    EXPECT_EQ(static_cast<DWORD>(NTE_FAIL), session.SetHashAlgorithmOid(u"2.16.840.1.101.3.4.2.3"));
    session.SetProviderName(u"Pentak Missing CSP");
    EXPECT_EQ(static_cast<DWORD>(NTE_KEYSET_NOT_DEF), session.SetSignatureAlgorithmOid(u"1.2.840.113549.1.1.13"));
    EXPECT_EQ(87u, session.SetHashAlgorithmOid(u""));
    EXPECT_EQ(sha256, session.GetHashAlgorithmOid());
    EXPECT_EQ(sha256WithRsa, session.GetSignatureAlgorithmOid());
}

TEST(EnrollResult, FailureWithoutAnErrorIsNteFail) {
    EXPECT_EQ(0u, CEnroll::ResultFromStatus(true, 5));
    EXPECT_EQ(5u, CEnroll::ResultFromStatus(false, 5));
    EXPECT_EQ(static_cast<DWORD>(NTE_FAIL), CEnroll::ResultFromStatus(false, 0));
}

TEST_F(EnrollTest, TestShowsItsBoxAndReservedMembersFailAsNotImplemented) {
    const pentak_test::ScriptedUi ui;
    platform::ui::script::queue("MessageBox", "IDOK");

    CEnroll session;
    EXPECT_EQ(TRUE, session.Test());
    EXPECT_EQ(std::vector<std::string>{"MessageBox: Pentak: Test komponenty."}, platform::ui::script::transcript());

    SetLastError(0);
    EXPECT_EQ(FALSE, session.Reserved1());
    EXPECT_EQ(static_cast<DWORD>(E_NOTIMPL), GetLastError());
    SetLastError(0);
    EXPECT_EQ(FALSE, session.Reserved2());
    EXPECT_EQ(static_cast<DWORD>(E_NOTIMPL), GetLastError());
}

}  // namespace
