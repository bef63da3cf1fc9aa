// The HSM engine members of the object over testkit's stand-in engine:
// forwarded with their arguments, the engine made once per session and
// gone with it, failures as HRESULTs, the root list handed out only on
// success.
#include <algorithm>

#include "pentak_client.h"
#include "testkit/hsm_engine.h"

namespace {

using namespace pentak_test;

class PentakHsmEngine : public RegisteredPentak {};

std::string lastCall(const testkit::HsmEngineStandIn& engine) {
    const auto calls = engine.calls();
    return calls.empty() ? "" : calls.back();
}

long creations(const testkit::HsmEngineStandIn& engine) {
    const auto calls = engine.calls();
    return std::count(calls.begin(), calls.end(), "created");
}

TEST_F(PentakHsmEngine, MembersReachTheEngineAndItsFailuresComeBackAsHresults) {
    testkit::HsmEngineStandIn engine;
    auto pentak = create();
    ASSERT_TRUE(pentak);
    auto session = scriptOf(pentak);

    EXPECT_EQ(S_OK, session.call(u"HsmEngine_TestConnection"));
    EXPECT_EQ(1, creations(engine));
    EXPECT_EQ("TestConnection()", lastCall(engine));
    Value url(u"https://hsm.example/rc");
    Value device(u"COM");
    EXPECT_EQ(S_OK, session.call(u"HsmEngine_Init", {url.get(), device.get(), Value(LONG{3}).get()}));
    EXPECT_EQ("Init(https://hsm.example/rc, COM, 3)", lastCall(engine));
    Value file(u"/home/jan/kořen.cer");
    EXPECT_EQ(S_OK, session.call(u"HsmEngine_WriteRoot", {file.get()}));
    EXPECT_EQ("WriteRoot(/home/jan/kořen.cer)", lastCall(engine));

    engine.setRootList(u"CN=Root A\r\nCN=Root B");
    Value list;
    EXPECT_EQ(S_OK, session.call(u"HsmEngine_GetRootList", {list.reference()}));
    EXPECT_EQ(u"CN=Root A\r\nCN=Root B", list.text());

    // The engine's own failure comes back as it is.
    engine.failCall(u"GetRootList", E_FAIL);
    BSTR kept = SysAllocString(u"kept");
    BSTR out = kept;
    EXPECT_EQ(E_FAIL, pentak->HsmEngine_GetRootList(&out));
    EXPECT_EQ(kept, out) << "written only on success";
    SysFreeString(kept);
    constexpr HRESULT kCannotConnect = HRESULT_OF(0x80072EFDu);
    engine.failCall(u"TestConnection", kCannotConnect);
    EXPECT_EQ(kCannotConnect, session.call(u"HsmEngine_TestConnection"));

    EXPECT_EQ(S_OK, session.call(u"Reset"));
    engine.failCall(u"TestConnection", S_OK);
    EXPECT_EQ(S_OK, session.call(u"HsmEngine_TestConnection"));
    EXPECT_EQ(1, creations(engine)) << "Reset keeps the engine";
    session = Script(platform::com::Ptr<IDispatch>());
    pentak.reset();
    EXPECT_EQ(0, engine.liveObjects()) << "gone with its session";
}

TEST_F(PentakHsmEngine, WithoutTheEngineEveryMemberFailsAndHandsNothingOut) {
    const auto session = scriptOf(create());
    Value list(u"untouched");
    EXPECT_EQ(REGDB_E_CLASSNOTREG, session.call(u"HsmEngine_TestConnection"));
    EXPECT_EQ(REGDB_E_CLASSNOTREG, session.call(u"HsmEngine_GetRootList", {list.reference()}));
    EXPECT_EQ(u"untouched", list.text());
}

}  // namespace
