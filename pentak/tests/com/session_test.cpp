// The enrolment session through the object's dispatch interface, as a
// script uses it: its settings, the ones it validates, the constants, the
// diagnostic text every object shares, reset, the test box, and the card
// members on a provider without a card.
#include "testkit/scoped_env.h"
#include "pentak_client.h"

namespace {

using namespace pentak_test;

constexpr const char16_t* kSha256 = u"2.16.840.1.101.3.4.2.1";

class PentakSession : public ScriptedPentak {};

ULONG codePageOf(const Script& session) {
    Value codePage;
    EXPECT_EQ(S_OK, session.get(u"CodePage", codePage));
    EXPECT_EQ(VT_UI4, codePage.get().vt);
    return codePage.get().ulVal;
}

bool readsNull(const Script& session, const char16_t* name) {
    Value value;
    return session.get(name, value) == S_OK && value.isNullText();
}

std::u16string algorithmOf(const Script& session, const char16_t* getter) {
    Value oid;
    EXPECT_EQ(S_OK, session.call(getter, {oid.reference()}));
    return oid.text();
}

// What a new session holds and what Reset brings back.
void expectDefaultSettings(const Script& session) {
    EXPECT_EQ(1, session.number(u"ProviderType"));
    EXPECT_EQ(2, session.number(u"KeySpec"));
    EXPECT_EQ(0, session.number(u"GenKeyFlags"));
    EXPECT_EQ(4, session.number(u"AttributeStringType"));
    EXPECT_EQ(1250u, codePageOf(session));
    EXPECT_EQ(u"text", session.text(u"MessageEncoding"));
    for (const char16_t* name : {u"ProviderName", u"CSPName", u"ContainerName", u"KeyContainerName", u"SignCert",
                                 u"Certificate", u"messageTBS", u"signedMessage", u"SmartCardName",
                                 u"SmartCardReaderName"})
        EXPECT_TRUE(readsNull(session, name)) << testing::PrintToString(std::u16string(name));
}

TEST_F(PentakSession, ANewSessionHasItsDefaultsAndItsUnsetTextsReadAsNullStrings) {
    const auto session = newSession();
    expectDefaultSettings(session);
    EXPECT_TRUE(readsNull(session, u"SignDlgTitle"));
    EXPECT_EQ(0, session.number(u"ApplicationProfile"));
    EXPECT_EQ(u"cs", session.text(u"GUILanguage"));
    {
        const ScopedEnv modules("PLATFORM_MODULE_PATH", TESK_CRYPTUI_DIR);
        EXPECT_EQ(1, session.number(u"Crytpui")) << "libcryptui.so loads as cryptui.dll";
    }

    EXPECT_EQ(u"1.3.14.3.2.26", algorithmOf(session, u"GetHashAlgorithmOid"));
    EXPECT_EQ(u"1.3.14.3.2.29", algorithmOf(session, u"GetSignatureAlgorithmOid"));

    EXPECT_EQ(1, session.number(u"KEYSPEC_AT_KEYEXCHANGE"));
    EXPECT_EQ(1, session.number(u"TYPE_PROVIDER_RSA_FULL"));
    EXPECT_EQ(3, session.number(u"KEYSPEC_AT_PARVEL"));
    EXPECT_EQ(13, session.number(u"RDN_UTF8_STRING"));
    EXPECT_EQ(u"2.16.840.1.101.3.4.2.1", session.text(u"sha256Algorithm"));
    EXPECT_EQ(u"1.2.840.113549.1.1.11", session.text(u"sha256WithRSAEncryption"));
}

TEST_F(PentakSession, SettingsReadBackAsWrittenAndValidatedOnesKeepTheirValueOnRefusal) {
    const auto session = newSession();
    EXPECT_EQ(S_OK, session.put(u"ProviderName", Value(u"Tesk Card CSP")));
    EXPECT_EQ(u"Tesk Card CSP", session.text(u"ProviderName"));
    EXPECT_EQ(u"Tesk Card CSP", session.text(u"CSPName"));
    EXPECT_EQ(S_OK, session.put(u"ContainerName", Value(u"")));
    EXPECT_FALSE(readsNull(session, u"ContainerName")) << "empty is not unset";
    EXPECT_EQ(u"", session.text(u"KeyContainerName"));
    EXPECT_EQ(S_OK, session.put(u"ContainerName", Value(static_cast<const char16_t*>(nullptr))));
    EXPECT_TRUE(readsNull(session, u"KeyContainerName"));

    for (const auto& [name, number] : {std::pair{u"ProviderType", 24}, std::pair{u"KeySpec", 1},
                                       std::pair{u"GenKeyFlags", (2048 << 16) | 1},
                                       std::pair{u"AttributeStringType", 13}, std::pair{u"ApplicationProfile", 1}}) {
        EXPECT_EQ(S_OK, session.put(name, Value(static_cast<LONG>(number))));
        EXPECT_EQ(number, session.number(name));
    }
    EXPECT_EQ(S_OK, session.put(u"CodePage", Value(LONG{65001})));
    EXPECT_EQ(65001u, codePageOf(session));
    for (const char16_t* name : {u"Certificate", u"messageTBS", u"SignDlgTitle", u"SmartCardReaderName"}) {
        EXPECT_EQ(S_OK, session.put(name, Value(u"čtení řádku")));
        EXPECT_EQ(u"čtení řádku", session.text(name));
    }

    EXPECT_EQ(kInvalidParameter, session.put(u"MessageEncoding", Value(u"Base64")));
    EXPECT_EQ(u"text", session.text(u"MessageEncoding"));
    EXPECT_EQ(S_OK, session.put(u"MessageEncoding", Value(u"base64")));
    EXPECT_EQ(u"base64", session.text(u"MessageEncoding"));

    EXPECT_EQ(kInvalidParameter, session.put(u"GUILanguage", Value(u"de")));
    EXPECT_EQ(kInvalidParameter, session.put(u"GUILanguage", Value(u"")));
    EXPECT_EQ(u"cs", session.text(u"GUILanguage"));
    EXPECT_EQ(S_OK, session.put(u"GUILanguage", Value(u"EN")));
    EXPECT_EQ(u"en", session.text(u"GUILanguage"));
}

TEST_F(PentakSession, EveryObjectSharesTheDiagnosticTextAndANewOneClearsIt) {
    const auto first = newSession();
    const auto second = newSession();
    EXPECT_EQ(S_OK, first.put(u"Error", Value(u"Enroll (line:  12) failed")));
    EXPECT_EQ(S_OK, first.put(u"ErrorLevel", Value(LONG{11})));
    EXPECT_EQ(u"Enroll (line:  12) failed", second.text(u"Error"));
    EXPECT_EQ(11, second.number(u"ErrorLevel"));

    const auto third = newSession();
    EXPECT_EQ(u"", first.text(u"Error"));
    EXPECT_EQ(1, first.number(u"ErrorLevel"));
}

TEST_F(PentakSession, ResetRestoresTheDefaultsKeepsTheTitleAndReadsTheMachineProfileAgain) {
    setMachineProfile(1);
    const auto session = newSession();
    EXPECT_EQ(1, session.number(u"ApplicationProfile"));
    EXPECT_EQ(S_OK, session.put(u"ApplicationProfile", Value(LONG{0})));
    for (const char16_t* name : {u"ProviderName", u"ContainerName", u"Certificate", u"messageTBS", u"SignDlgTitle",
                                 u"SmartCardReaderName", u"Error"})
        ASSERT_EQ(S_OK, session.put(name, Value(u"set")));
    for (const char16_t* name : {u"ProviderType", u"KeySpec", u"GenKeyFlags", u"AttributeStringType", u"ErrorLevel"})
        ASSERT_EQ(S_OK, session.put(name, Value(LONG{7})));
    ASSERT_EQ(S_OK, session.put(u"CodePage", Value(LONG{852})));
    ASSERT_EQ(S_OK, session.put(u"MessageEncoding", Value(u"base64")));

    EXPECT_EQ(S_OK, session.call(u"Reset"));
    EXPECT_EQ(1, session.number(u"ApplicationProfile")) << "read from the machine again";
    expectDefaultSettings(session);
    EXPECT_EQ(u"set", session.text(u"SignDlgTitle"));
    EXPECT_EQ(u"", session.text(u"Error"));
    EXPECT_EQ(1, session.number(u"ErrorLevel"));

    setMachineProfile(0);
    EXPECT_EQ(S_OK, session.call(u"Reset"));
    EXPECT_EQ(0, session.number(u"ApplicationProfile"));
}

TEST_F(PentakSession, AlgorithmsAreCheckedAgainstTheProviderBeforeTheyAreKept) {
    const auto session = newSession();
    Value sha256(kSha256);
    Value sha256WithRsa(kSha256WithRsa);
    Value noAlgorithm(u"1.2.3.4");
    EXPECT_EQ(kNoProvider, session.call(u"IsAlgOidSupported", {sha256WithRsa.get()}));
    EXPECT_EQ(kNoProvider, session.call(u"SetHashAlgorithmOid", {sha256.get()}));
    EXPECT_EQ(u"1.3.14.3.2.26", algorithmOf(session, u"GetHashAlgorithmOid"));

    ASSERT_EQ(S_OK, session.put(u"ProviderName", Value(kAesProvider)));
    ASSERT_EQ(S_OK, session.put(u"ProviderType", Value(LONG{24})));
    EXPECT_EQ(S_OK, session.call(u"IsAlgOidSupported", {sha256WithRsa.get()}));
    EXPECT_EQ(kInvalidParameter, session.call(u"IsAlgOidSupported", {Value(u"").get()}));
    EXPECT_EQ(kNoAlgorithm, session.call(u"IsAlgOidSupported", {noAlgorithm.get()}));

    EXPECT_EQ(S_OK, session.call(u"SetHashAlgorithmOid", {sha256.get()}));
    EXPECT_EQ(S_OK, session.call(u"SetSignatureAlgorithmOid", {sha256WithRsa.get()}));
    EXPECT_EQ(kNoAlgorithm, session.call(u"SetHashAlgorithmOid", {noAlgorithm.get()}));
    EXPECT_EQ(kNoAlgorithm, session.call(u"SetSignatureAlgorithmOid", {noAlgorithm.get()}));
    EXPECT_EQ(kSha256, algorithmOf(session, u"GetHashAlgorithmOid"));
    EXPECT_EQ(kSha256WithRsa, algorithmOf(session, u"GetSignatureAlgorithmOid"));
    EXPECT_EQ(S_OK, session.call(u"RegisterOIDInfo"));

    ASSERT_EQ(S_OK, session.put(u"ProviderName", Value(u"Microsoft Enhanced Cryptographic Provider v1.0")));
    ASSERT_EQ(S_OK, session.put(u"ProviderType", Value(LONG{1})));
    EXPECT_EQ(NTE_FAIL, session.call(u"IsAlgOidSupported", {sha256WithRsa.get()})) << "lacks it, no error given";

    EXPECT_EQ(S_OK, session.call(u"Reset"));
    EXPECT_EQ(u"1.3.14.3.2.26", algorithmOf(session, u"GetHashAlgorithmOid"));
    EXPECT_EQ(u"1.3.14.3.2.29", algorithmOf(session, u"GetSignatureAlgorithmOid"));
}

TEST_F(PentakSession, TestShowsItsBoxToTheUser) {
    // An answer whose text the box does not show, or a second box, would
    // stop the run.
    answers("MessageBox IDOK Test komponenty.\n");
    const auto session = newSession();
    EXPECT_EQ(S_OK, session.call(u"Test"));
}

TEST_F(PentakSession, CardMembersOfAProviderWithoutCardFailAndGiveNothing) {
    const auto session = newSession();
    ASSERT_EQ(S_OK, session.put(u"ProviderName", Value(u"Tesk Card CSP")));
    Value number(u"before");
    EXPECT_EQ(static_cast<HRESULT>(0x80070032), session.call(u"GetCardNumber", {number.reference()}));
    EXPECT_EQ(u"before", number.text());
    // A provider the import does not know is recorded with its code.
    EXPECT_EQ(static_cast<HRESULT>(0x80070032), session.call(u"RequestImport", {Value(u"MIIB").get()}));
    EXPECT_NE(std::u16string::npos, session.text(u"Error").find(u"(MyError:10001005)"));
}

}  // namespace
