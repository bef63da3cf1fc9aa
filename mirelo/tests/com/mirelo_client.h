// The SignerKyd object as its callers see it: libmirelo.so registered by
// the built regsvr32 in a fresh platform root, created in the test's
// apartment, and reached through its table of functions or by member name
// through IDispatch.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mirelo_lib.h"
#include "platform/com/ptr.h"
#include "platform/text.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"

namespace mirelo_test {

inline const std::string kModule = TESK_MIRELO_MODULE;

// Runs the built regsvr32; its answers to the user come from no one.
testkit::RunResult regsvr32(std::vector<std::string> arguments);

// Invoke of a member by name: its own HRESULT (the scode behind
// DISP_E_EXCEPTION), the result in *result. Arguments in declaration order.
HRESULT invokeByName(IDispatch* object, const char16_t* name, WORD flags, std::vector<VARIANT> arguments,
                     VARIANT* result);
DISPID idOf(IDispatch* object, const char16_t* name);

VARIANT longValue(LONG value);
// The text of a BSTR the test owns; freed here.
std::u16string takeText(BSTR text);
// UTF-8 text as the object's members take and give it.
inline std::u16string wide(const std::string& utf8) { return platform::text::fromUtf8(utf8); }

// libmirelo.so registered in the test's own machine, and an apartment.
class RegisteredMirelo : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    platform::com::Ptr<ISignerKyd> create();

    testkit::PlatformRoot root;
};

// The object made afresh for each test, with what member tests ask of it.
class MireloClient : public RegisteredMirelo {
protected:
    void SetUp() override;
    void TearDown() override;
    LONG lastErrorNumber();
    // A member that takes one text, given here in UTF-8; an empty text goes
    // as a null BSTR, as script callers send it.
    template <typename Member>
    HRESULT withText(Member member, const std::string& utf8) {
        const std::u16string text = platform::text::fromUtf8(utf8);
        BSTR argument = text.empty() ? nullptr : SysAllocString(text.c_str());
        const HRESULT hr = (object.get()->*member)(argument);
        SysFreeString(argument);
        return hr;
    }

    platform::com::Ptr<ISignerKyd> object;
};

}  // namespace mirelo_test
