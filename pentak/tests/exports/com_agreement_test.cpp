// The exported session beside a COM object of the same library in one
// process: the diagnostic text, its level and the language are one for
// both, and the same operation gives both the same result.
#include <string>

#include "exported_library.h"
#include "pentak_client.h"
#include "testkit/hsm_engine.h"

namespace {

using namespace pentak_test;

#define CALL(name) PENTAK_FUNCTION(library, name)

std::u16string ascii(const std::string& text) { return {text.begin(), text.end()}; }

class ExportsBesideObject : public RegisteredPentak {
protected:
    void SetUp() override {
        RegisteredPentak::SetUp();
        ASSERT_TRUE(SUCCEEDED(CALL(Pentak_InitializePerThread)()));
        ASSERT_EQ(S_OK, CALL(Pentak_Initialize)());
    }
    // The session's engine goes before the apartment that made it.
    void TearDown() override {
        CALL(Pentak_UnInitialize)();
        CALL(Pentak_UnInitializePerThread)();
        RegisteredPentak::TearDown();
    }

    ExportedLibrary library;
};

TEST_F(ExportsBesideObject, TheDiagnosticTextItsLevelAndTheLanguageAreTheProcesss) {
    auto object = create();
    ASSERT_TRUE(object);
    const auto session = scriptOf(object);

    ASSERT_EQ(S_OK, CALL(Pentak_SetErrorW)(u"Chyba čtečky"));
    EXPECT_EQ(u"Chyba čtečky", session.text(u"Error"));
    ASSERT_EQ(S_OK, session.put(u"Error", Value(u"Chyba karty")));
    EXPECT_EQ(u"Chyba karty", wideText(CALL(Pentak_GetErrorW)));

    ASSERT_EQ(S_OK, CALL(Pentak_SetErrorLevel)(7));
    EXPECT_EQ(7, session.number(u"ErrorLevel"));
    ASSERT_EQ(S_OK, CALL(Pentak_SetGUILanguage)(u"EN"));
    EXPECT_EQ(u"en", session.text(u"GUILanguage"));
    ASSERT_EQ(S_OK, session.put(u"GUILanguage", Value(u"sk")));
    EXPECT_EQ(u"sk", wideText(CALL(Pentak_GetGUILanguage)));

    // A new session of either kind starts by emptying it for all.
    ASSERT_TRUE(create());
    EXPECT_EQ(u"", wideText(CALL(Pentak_GetErrorW)));
    LONG level = 0;
    ASSERT_EQ(S_OK, CALL(Pentak_GetErrorLevel)(&level));
    EXPECT_EQ(1, level);
}

TEST_F(ExportsBesideObject, AlgorithmChoicesGiveTheObjectsResults) {
    const auto session = scriptOf(create());
    const auto setHash = [&](const char* oid) {
        const HRESULT exported = CALL(Pentak_SetHashAlgorithmOid)(oid);
        EXPECT_EQ(session.call(u"SetHashAlgorithmOid", {Value(ascii(oid).c_str()).get()}), exported) << oid;
        return exported;
    };
    EXPECT_EQ(HRESULT_OF(0x80090013u), setHash("2.16.840.1.101.3.4.2.1")) << "no provider named";

    constexpr char kAesProvider[] = "Microsoft Enhanced RSA and AES Cryptographic Provider";
    ASSERT_EQ(S_OK, CALL(Pentak_SetProviderName)(kAesProvider));
    ASSERT_EQ(S_OK, CALL(Pentak_SetProviderType)(24));
    ASSERT_EQ(S_OK, session.put(u"ProviderName", Value(ascii(kAesProvider).c_str())));
    ASSERT_EQ(S_OK, session.put(u"ProviderType", Value(LONG{24})));
    EXPECT_EQ(S_OK, setHash("2.16.840.1.101.3.4.2.1"));
    EXPECT_EQ(HRESULT_OF(0x80070777u), setHash("1.2.3.4")) << "no algorithm of that OID";

    Value oid;
    ASSERT_EQ(S_OK, session.call(u"GetHashAlgorithmOid", {oid.reference()}));
    EXPECT_EQ(oid.text(), ascii(narrowText(CALL(Pentak_GetHashAlgorithmOid))));
    ASSERT_EQ(S_OK, session.call(u"GetSignatureAlgorithmOid", {oid.reference()}));
    EXPECT_EQ(oid.text(), ascii(narrowText(CALL(Pentak_GetSignatureAlgorithmOid))));
}

TEST_F(ExportsBesideObject, TheHsmEngineSeesTheSameCallAndItsFailureComesBackTheSame) {
    testkit::HsmEngineStandIn engine;
    const auto session = scriptOf(create());

    // The URL in the ANSI page, as the engine gets it from the object.
    ASSERT_EQ(S_OK, CALL(Pentak_HsmEngine_Init)("https://hsm.example/ko\xF8" "en", "PC/SC", 3));
    EXPECT_EQ("Init(https://hsm.example/kořen, PC/SC, 3)", engine.calls().back());

    constexpr HRESULT kCannotConnect = HRESULT_OF(0x80072EFDu);
    engine.failCall(u"Init", kCannotConnect);
    EXPECT_EQ(kCannotConnect, CALL(Pentak_HsmEngine_Init)("https://hsm.example/rc", "COM", 1));
    EXPECT_EQ(kCannotConnect,
              session.call(u"HsmEngine_Init",
                           {Value(u"https://hsm.example/rc").get(), Value(u"COM").get(), Value(LONG{1}).get()}));
}

}  // namespace
