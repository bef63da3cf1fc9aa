// The exported session's life and the checks every function makes: no
// session, missing arguments, and the buffer rule of the out texts.
#include <cstring>
#include <string>

#include "exported_library.h"
#include "testkit/hsm_engine.h"

namespace {

using namespace pentak_test;

constexpr HRESULT kMoreData = HRESULT_OF(0x800700EAu);

#define CALL(name) PENTAK_FUNCTION(library, name)

TEST_F(PentakExports, WithoutASessionFunctionsAnswerEHandleAndTouchNothing) {
    char buffer[8] = "unset";
    DWORD length = 8;
    LONG number = 77;
    const auto untouched = [&] {
        EXPECT_STREQ("unset", buffer);
        EXPECT_EQ(8u, length);
        EXPECT_EQ(77, number);
    };
    const auto expectNoSession = [&] {
        EXPECT_EQ(E_HANDLE, CALL(Pentak_GetProviderName)(buffer, &length));
        EXPECT_EQ(E_HANDLE, CALL(Pentak_GetProviderName)(buffer, nullptr)) << "the session is checked first";
        EXPECT_EQ(E_HANDLE, CALL(Pentak_SetProviderName)(kSoftwareProviderA));
        EXPECT_EQ(E_HANDLE, CALL(Pentak_GetKeySpec)(&number));
        EXPECT_EQ(E_HANDLE, CALL(Pentak_SetError)("text"));
        EXPECT_EQ(E_HANDLE, CALL(Pentak_Reset)());
        EXPECT_EQ(E_HANDLE, CALL(Pentak_KeyGenerate)());
        EXPECT_EQ(E_HANDLE, CALL(Pentak_CreatePKCS10)(buffer, &length));
        EXPECT_EQ(E_HANDLE, CALL(Pentak_HsmEngine_Init)("", "", 0));
        EXPECT_EQ(E_HANDLE, CALL(Pentak_CSPLoadStore)(1, &number));
        EXPECT_EQ(E_HANDLE, CALL(Pentak_CmfToPem)("", buffer, &length));
        untouched();
    };

    expectNoSession();
    ASSERT_EQ(S_OK, CALL(Pentak_Initialize)());
    EXPECT_EQ(S_OK, CALL(Pentak_SetProviderName)(kSoftwareProviderA));
    EXPECT_EQ(S_OK, CALL(Pentak_Initialize)()) << "a second call keeps the session";
    EXPECT_EQ(kSoftwareProviderA, narrowText(CALL(Pentak_GetProviderName)));

    // The card functions run on the session: its provider has no card number
    // and is not one the request import knows.
    EXPECT_EQ(kInvalidParameter, CALL(Pentak_GetCardNumber)(buffer, nullptr));
    EXPECT_EQ(static_cast<HRESULT>(0x80070032), CALL(Pentak_GetCardNumber)(buffer, &length));
    EXPECT_EQ(kInvalidParameter, CALL(Pentak_RequestImport)(nullptr));
    EXPECT_EQ(static_cast<HRESULT>(0x80070032), CALL(Pentak_RequestImport)("MIIB"));
    untouched();

    EXPECT_EQ(S_OK, CALL(Pentak_UnInitialize)());
    expectNoSession();
    EXPECT_EQ(S_OK, CALL(Pentak_UnInitialize)());
    ASSERT_EQ(S_OK, CALL(Pentak_Initialize)());
    EXPECT_EQ("", narrowText(CALL(Pentak_GetProviderName))) << "a new session starts afresh";
}

// A caller's usual last steps: the thread leaves COM, then the session
// ends. The engine the session made goes with the thread's apartment, not
// after its module was unloaded; a thread that comes back makes another.
TEST_F(PentakExports, AThreadLeavingTheLibraryTakesTheSessionsEngineWithIt) {
    testkit::HsmEngineStandIn engine;
    ASSERT_EQ(S_OK, CALL(Pentak_InitializePerThread)());
    ASSERT_EQ(S_OK, CALL(Pentak_Initialize)());
    ASSERT_EQ(S_OK, CALL(Pentak_HsmEngine_Init)("https://hsm.example/rc", "PC/SC", 0));
    ASSERT_EQ(1, engine.liveObjects());
    EXPECT_EQ(S_OK, CALL(Pentak_UnInitializePerThread)());
    EXPECT_EQ(0, engine.liveObjects());

    ASSERT_EQ(S_OK, CALL(Pentak_InitializePerThread)());
    EXPECT_EQ(S_OK, CALL(Pentak_HsmEngine_Init)("https://hsm.example/rc", "COM", 2));
    EXPECT_EQ("Init(https://hsm.example/rc, COM, 2)", engine.calls().back());
    EXPECT_EQ(1, engine.liveObjects());
    EXPECT_EQ(S_OK, CALL(Pentak_UnInitializePerThread)());
    EXPECT_EQ(S_OK, CALL(Pentak_UnInitialize)());
    EXPECT_EQ(0, engine.liveObjects());
}

TEST_F(PentakExports, OutTextsAreSizedCopiedOrRefusedAsTooShort) {
    ASSERT_EQ(S_OK, CALL(Pentak_Initialize)());
    ASSERT_EQ(S_OK, CALL(Pentak_SetProviderName)(kSoftwareProviderA));
    const auto getProviderName = CALL(Pentak_GetProviderName);
    const DWORD needed = sizeof kSoftwareProviderA;

    DWORD length = 0;
    EXPECT_EQ(S_OK, getProviderName(nullptr, &length));
    EXPECT_EQ(needed, length);

    std::string buffer(needed + 4, '#');
    length = needed;
    EXPECT_EQ(S_OK, getProviderName(buffer.data(), &length));
    EXPECT_EQ(needed, length);
    EXPECT_EQ(std::string(kSoftwareProviderA) + '\0' + "####", buffer);

    buffer.assign(needed + 4, '#');
    length = needed - 1;
    EXPECT_EQ(kMoreData, getProviderName(buffer.data(), &length));
    EXPECT_EQ(needed, length);
    EXPECT_EQ(std::string(needed + 4, '#'), buffer) << "nothing copied";

    EXPECT_EQ(kInvalidParameter, getProviderName(buffer.data(), nullptr));

    // A new session's diagnostic text is empty: just the zero.
    char16_t wide[2] = {u'#', u'#'};
    length = 0;
    EXPECT_EQ(S_OK, CALL(Pentak_GetErrorW)(nullptr, &length));
    EXPECT_EQ(1u, length);
    EXPECT_EQ(S_OK, CALL(Pentak_GetErrorW)(wide, &length));
    EXPECT_EQ(1u, length);
    EXPECT_EQ(u'\0', wide[0]);
    EXPECT_EQ(u'#', wide[1]);

    // Wide buffers count characters.
    ASSERT_EQ(S_OK, CALL(Pentak_SetSmartCardReaderName)(u"Čtečka 1"));
    length = 8;
    EXPECT_EQ(kMoreData, CALL(Pentak_GetSmartCardReaderName)(wide, &length));
    EXPECT_EQ(9u, length);
}

TEST_F(PentakExports, MissingOrRefusedArgumentsChangeNothing) {
    ASSERT_EQ(S_OK, CALL(Pentak_Initialize)());
    ASSERT_EQ(S_OK, CALL(Pentak_SetProviderName)(kSoftwareProviderA));
    EXPECT_EQ(kInvalidParameter, CALL(Pentak_SetProviderName)(""));
    EXPECT_EQ(kInvalidParameter, CALL(Pentak_SetProviderName)(nullptr));
    EXPECT_EQ(kSoftwareProviderA, narrowText(CALL(Pentak_GetProviderName)));

    EXPECT_EQ(kInvalidParameter, CALL(Pentak_HsmEngine_Init)("", "PC/SC", 0));
    EXPECT_EQ(kInvalidParameter, CALL(Pentak_HsmEngine_Init)("https://hsm.example/rc", nullptr, 0));
    EXPECT_EQ(kInvalidParameter, CALL(Pentak_SetContainerName)(nullptr));
    EXPECT_EQ(kInvalidParameter, CALL(Pentak_DeleteExpiredCertificates)(-1)) << "a count of days, never negative";

    // The session's own refusal comes back through the same rule.
    EXPECT_EQ(kInvalidParameter, CALL(Pentak_SetMessageEncoding)(u"Base64"));
    EXPECT_EQ(u"text", wideText(CALL(Pentak_GetMessageEncoding)));
    EXPECT_EQ(S_OK, CALL(Pentak_SetMessageEncoding)(u"base64"));
    EXPECT_EQ(u"base64", wideText(CALL(Pentak_GetMessageEncoding)));
}

}  // namespace
