// The session's HSM engine members over the testkit's engine stand-in:
// creation and default initialisation on first use, forwarding afterwards,
// failures as result codes, and no object left behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "enroll.h"
#include "testkit/hsm_engine.h"
#include "testkit/platform_root.h"
#include "win32/com.h"
#include "win32/error.h"

namespace {

using Calls = std::vector<std::string>;

const Calls kCreation = {"created", "put_FirstFlag(1)", "put_SecondFlag(0)",
                         "Init(https://hsm.tesk.cz:443/cgi-bin/hsmrc.cgi, PC/SC, 0)"};

Calls plus(Calls calls, const Calls& more) {
    calls.insert(calls.end(), more.begin(), more.end());
    return calls;
}

class HsmEngineTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
    void TearDown() override { CoUninitialize(); }

    testkit::PlatformRoot root;
};

TEST_F(HsmEngineTest, FirstCallCreatesAndInitialisesTheEngineLaterCallsOnlyForward) {
    testkit::HsmEngineStandIn engine;
    {
        CEnroll session;
        EXPECT_EQ(0u, session.HsmEngine_TestConnection());
        EXPECT_EQ(plus(kCreation, {"TestConnection()"}), engine.calls());

        session.Reset();
        EXPECT_EQ(0u, session.HsmEngine_TestConnection());
        EXPECT_EQ(0u, session.HsmEngine_Init(u"https://hsm.example/rc", u"COM", 3));
        EXPECT_EQ(0u, session.HsmEngine_WriteRoot(u"/home/jan/root.cer"));
        EXPECT_EQ(plus(kCreation, {"TestConnection()", "TestConnection()", "Init(https://hsm.example/rc, COM, 3)",
                                   "WriteRoot(/home/jan/root.cer)"}),
                  engine.calls());
        EXPECT_EQ(1, engine.liveObjects());
    }
    EXPECT_EQ(0, engine.liveObjects());
}

TEST_F(HsmEngineTest, RootListIsCopiedOnlyOnSuccess) {
    testkit::HsmEngineStandIn engine;
    CEnroll session;
    std::u16string list = u"old";
    EXPECT_EQ(0u, session.HsmEngine_GetRootList(list));
    EXPECT_EQ(u"", list);  // the engine gave no text at all

    engine.setRootList(u"CN=Root A\r\nCN=Root B");
    EXPECT_EQ(0u, session.HsmEngine_GetRootList(list));
    EXPECT_EQ(u"CN=Root A\r\nCN=Root B", list);

    engine.failCall(u"GetRootList", E_FAIL);
    EXPECT_EQ(static_cast<DWORD>(E_FAIL), session.HsmEngine_GetRootList(list));
    EXPECT_EQ(u"CN=Root A\r\nCN=Root B", list);
}

TEST_F(HsmEngineTest, EngineFailuresAreResultCodesButDoNotStopTheCreation) {
    testkit::HsmEngineStandIn engine;
    for (const char16_t* call : {u"put_FirstFlag", u"put_SecondFlag", u"Init", u"WriteRoot"})
        engine.failCall(call, E_FAIL);
    CEnroll session;
    EXPECT_EQ(0u, session.HsmEngine_TestConnection());

    // The engine's own reason comes back, not an older error of the thread.
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(static_cast<DWORD>(E_FAIL), session.HsmEngine_Init(u"https://hsm.example/rc", u"PC/SC", 0));
    EXPECT_EQ(static_cast<DWORD>(E_FAIL), session.HsmEngine_WriteRoot(u"root.cer"));
    engine.failCall(u"TestConnection", static_cast<HRESULT>(0x80072EFD));
    EXPECT_EQ(0x80072EFDu, session.HsmEngine_TestConnection());
    EXPECT_EQ(1, engine.liveObjects());
}

TEST_F(HsmEngineTest, WithoutTheEngineEveryMemberFails) {
    CEnroll session;
    std::u16string list = u"old";
    const auto notRegistered = static_cast<DWORD>(REGDB_E_CLASSNOTREG);
    EXPECT_EQ(notRegistered, session.HsmEngine_TestConnection());
    EXPECT_EQ(notRegistered, session.HsmEngine_Init(u"https://hsm.example/rc", u"PC/SC", 0));
    EXPECT_EQ(notRegistered, session.HsmEngine_WriteRoot(u"root.cer"));
    EXPECT_EQ(notRegistered, session.HsmEngine_GetRootList(list));
    EXPECT_EQ(u"old", list);
}

TEST_F(HsmEngineTest, EngineWithoutItsInterfaceIsReleasedAndTriedAgain) {
    testkit::HsmEngineStandIn engine;
    engine.refuseInterface(true);
    CEnroll session;
    EXPECT_NE(0u, session.HsmEngine_TestConnection());
    EXPECT_EQ((Calls{"created", "destroyed"}), engine.calls());
    EXPECT_EQ(0, engine.liveObjects());

    engine.refuseInterface(false);
    EXPECT_EQ(0u, session.HsmEngine_TestConnection());
    EXPECT_EQ(plus(plus({"created", "destroyed"}, kCreation), {"TestConnection()"}), engine.calls());
    EXPECT_EQ(1, engine.liveObjects());
}

}  // namespace
