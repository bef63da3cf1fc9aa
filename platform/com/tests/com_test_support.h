// Shared by the COM tests: a platform root with the test server registered
// by regsvr32, an apartment for the test's thread, and small helpers for
// variants and strings.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/com/ptr.h"
#include "test_server_lib.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"
#include "win32/datetime.h"

namespace com_test {

inline const std::string kServer = TESK_COM_TEST_SERVER;

inline testkit::RunResult regsvr32(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), TESK_REGSVR32);
    testkit::RunOptions options;
    options.env["PLATFORM_UI"] = "script";
    return testkit::run(arguments, options);
}

// A BSTR owned by the test.
class Text {
public:
    explicit Text(const char16_t* text) : m_text(SysAllocString(text)) {}
    Text() = default;
    ~Text() { SysFreeString(m_text); }
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
    BSTR get() const { return m_text; }
    BSTR* put() {
        SysFreeString(m_text);
        m_text = nullptr;
        return &m_text;
    }
    std::u16string str() const { return m_text ? std::u16string(m_text, SysStringLen(m_text)) : u""; }

private:
    BSTR m_text = nullptr;
};

// A variant owned by the test.
struct Var : VARIANT {
    Var() { VariantInit(this); }
    ~Var() { VariantClear(this); }
    Var(const Var&) = delete;
    Var& operator=(const Var&) = delete;
};

template <auto Field, class T>
VARIANT variantOf(VARTYPE vt, T value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = vt;
    v.*Field = value;
    return v;
}
inline VARIANT i4(LONG value) { return variantOf<&VARIANT::lVal>(VT_I4, value); }
inline VARIANT i2(SHORT value) { return variantOf<&VARIANT::iVal>(VT_I2, value); }
inline VARIANT r8(double value) { return variantOf<&VARIANT::dblVal>(VT_R8, value); }
// A borrowed string: the test keeps ownership of the BSTR.
inline VARIANT bstr(BSTR text) { return variantOf<&VARIANT::bstrVal>(VT_BSTR, text); }

// The test server registered in a fresh platform root, and an apartment.
class RegisteredServer : public ::testing::Test {
protected:
    void SetUp() override {
        const auto registered = regsvr32({"/s", kServer});
        ASSERT_EQ(0, registered.exitCode) << registered.err;
        ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    }
    void TearDown() override { CoUninitialize(); }

    platform::com::Ptr<ITestServer> create() {
        platform::com::Ptr<ITestServer> server;
        EXPECT_EQ(S_OK, CoCreateInstance(CLSID_TestServer, nullptr, CLSCTX_INPROC_SERVER, IID_ITestServer,
                                         server.putVoid()));
        return server;
    }

    testkit::PlatformRoot root;
};

}  // namespace com_test
