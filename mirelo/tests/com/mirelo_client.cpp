#include "mirelo_client.h"

#include "win32/datetime.h"

namespace mirelo_test {

testkit::RunResult regsvr32(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), TESK_REGSVR32);
    testkit::RunOptions options;
    options.env["PLATFORM_UI"] = "script";
    return testkit::run(arguments, options);
}

DISPID idOf(IDispatch* object, const char16_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID member = DISPID_UNKNOWN;
    object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &member);
    return member;
}

HRESULT invokeByName(IDispatch* object, const char16_t* name, WORD flags, std::vector<VARIANT> arguments,
                     VARIANT* result) {
    const DISPID member = idOf(object, name);
    EXPECT_NE(DISPID_UNKNOWN, member) << "no member " << testing::PrintToString(std::u16string(name));
    std::vector<VARIANT> lastFirst(arguments.rbegin(), arguments.rend());
    DISPID putId = DISPID_PROPERTYPUT;
    const bool put = flags == DISPATCH_PROPERTYPUT;
    DISPPARAMS params{lastFirst.data(), put ? &putId : nullptr, static_cast<UINT>(lastFirst.size()), put ? 1u : 0u};
    EXCEPINFO exception{};
    UINT argErr = 0;
    const HRESULT hr =
        object->Invoke(member, IID_NULL, LOCALE_SYSTEM_DEFAULT, flags, &params, result, &exception, &argErr);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    for (auto& argument : arguments) VariantClear(&argument);
    return hr == DISP_E_EXCEPTION ? exception.scode : hr;
}

VARIANT longValue(LONG value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

std::u16string takeText(BSTR text) {
    std::u16string copy = text ? std::u16string(text, SysStringLen(text)) : std::u16string();
    SysFreeString(text);
    return copy;
}

void RegisteredMirelo::SetUp() {
    const auto registered = regsvr32({"/s", kModule});
    ASSERT_EQ(0, registered.exitCode) << registered.err;
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

// The end of the apartment frees the module, so that each test starts with
// a fresh process-wide log and message table (in a process that has shown
// none of the module's dialogs: one that has keeps the module loaded, as
// ctest's process per test does not).
void RegisteredMirelo::TearDown() { CoUninitialize(); }

platform::com::Ptr<ISignerKyd> RegisteredMirelo::create() {
    platform::com::Ptr<ISignerKyd> object;
    EXPECT_EQ(S_OK,
              CoCreateInstance(CLSID_SignerKyd, nullptr, CLSCTX_INPROC_SERVER, IID_ISignerKyd, object.putVoid()));
    return object;
}

void MireloClient::SetUp() {
    RegisteredMirelo::SetUp();
    object = create();
    ASSERT_TRUE(object);
}

void MireloClient::TearDown() {
    object.reset();
    RegisteredMirelo::TearDown();
}

LONG MireloClient::lastErrorNumber() {
    LONG number = 0;
    EXPECT_EQ(S_OK, object->get_LastErrorNumber(&number));
    return number;
}

}  // namespace mirelo_test
