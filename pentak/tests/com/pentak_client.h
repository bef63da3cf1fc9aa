// The Pentak object as its callers see it: libpentak.so registered by the
// built regsvr32 in a fresh platform root, created in the test's
// apartment, and reached by member name through IDispatch the way a script
// or the renewal program reaches it.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "pentak_codes.h"
#include "pentak_lib.h"
#include "platform/com/ptr.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"

namespace pentak_test {

inline const std::string kModule = TESK_PENTAK_MODULE;

// Runs the built regsvr32; its answers to the user come from no one.
testkit::RunResult regsvr32(std::vector<std::string> arguments);

// The bytes of Base64 text as `openssl base64 -d` reads them, through files
// under the root.
std::vector<BYTE> decodedBase64(const testkit::PlatformRoot& root, const std::u16string& text);

// The machine's application profile, which every new object and every
// Reset read.
void setMachineProfile(DWORD profile);

// A number argument (a text argument is a Value, alive for the call).
VARIANT number(LONG n);

// A VARIANT the test owns.
class Value {
public:
    Value() { VariantInit(&m_v); }
    explicit Value(const char16_t* text);
    explicit Value(LONG number);
    ~Value() { VariantClear(&m_v); }
    Value(const Value&) = delete;
    Value& operator=(const Value&) = delete;

    VARIANT& get() { return m_v; }
    const VARIANT& get() const { return m_v; }
    // An out argument that this value receives.
    VARIANT reference();

    bool isNullText() const { return m_v.vt == VT_BSTR && m_v.bstrVal == nullptr; }
    std::u16string text() const;  // fails the test unless a string
    LONG number() const;          // fails the test unless a 32-bit number

private:
    VARIANT m_v;
};

// The late-bound view of one object. Each call gives the member's own
// HRESULT: the scode behind DISP_E_EXCEPTION, or what Invoke answered.
class Script {
public:
    explicit Script(platform::com::Ptr<IDispatch> object) : m_object(std::move(object)) {}

    DISPID id(const char16_t* name) const;
    HRESULT get(const char16_t* name, Value& result) const;
    HRESULT put(const char16_t* name, const Value& value) const;
    // Arguments in the order of the declaration.
    HRESULT call(const char16_t* name, std::vector<VARIANT> arguments = {}, Value* result = nullptr) const;

    // A property's text and number, which must be readable.
    std::u16string text(const char16_t* name) const;
    LONG number(const char16_t* name) const;

private:
    HRESULT invoke(const char16_t* name, WORD flags, std::vector<VARIANT> arguments, bool namedPut,
                   VARIANT* result) const;

    platform::com::Ptr<IDispatch> m_object;
};

// A call that must succeed, its arguments in the order of the declaration.
void ok(const Script& session, const char16_t* name, std::vector<VARIANT> arguments = {});

// libpentak.so registered in the test's own machine, and an apartment.
class RegisteredPentak : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    platform::com::Ptr<IPentak> create();
    Script scriptOf(const platform::com::Ptr<IPentak>& object) { return Script(object.as<IDispatch>()); }

    testkit::PlatformRoot root;
};

// The same, with the questions the object asks going to the scripted
// interface: answered from the file the test writes, or by no one (a
// question without its answer stops the run).
class ScriptedPentak : public RegisteredPentak {
protected:
    void SetUp() override;
    void TearDown() override;
    // One answer a line ("MessageBox IDYES", "Pin 1234"), in the order
    // asked, in place of any left.
    void answers(const std::string& script);
    Script newSession() { return scriptOf(create()); }

private:
    std::optional<std::string> m_previousUi;
};

}  // namespace pentak_test
