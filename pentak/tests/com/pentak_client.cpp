#include "pentak_client.h"

#include <cstdlib>

#include "platform/ui.h"
#include "win32/datetime.h"
#include "win32/registry.h"

namespace pentak_test {

using platform::com::Ptr;

testkit::RunResult regsvr32(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), TESK_REGSVR32);
    testkit::RunOptions options;
    options.env["PLATFORM_UI"] = "script";
    return testkit::run(arguments, options);
}

std::vector<BYTE> decodedBase64(const testkit::PlatformRoot& root, const std::u16string& text) {
    root.write("decoded.b64", std::string(text.begin(), text.end()));
    const auto decoded = testkit::run({"openssl", "base64", "-d", "-in", "decoded.b64", "-out", "decoded.bin"},
                                      root.path());
    EXPECT_EQ(0, decoded.exitCode) << decoded.err;
    const std::string bytes = root.read("decoded.bin");
    return {bytes.begin(), bytes.end()};
}

void setMachineProfile(DWORD profile) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tesk\\pentak", 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegSetValueExW(key, u"AppProfile", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&profile), sizeof profile);
    RegCloseKey(key);
}

VARIANT number(LONG n) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = n;
    return v;
}

Value::Value(const char16_t* text) : Value() {
    m_v.vt = VT_BSTR;
    m_v.bstrVal = SysAllocString(text);
}

Value::Value(LONG number) : Value() {
    m_v.vt = VT_I4;
    m_v.lVal = number;
}

VARIANT Value::reference() {
    VARIANT byRef;
    VariantInit(&byRef);
    byRef.vt = VT_BYREF | VT_VARIANT;
    byRef.pvarVal = &m_v;
    return byRef;
}

std::u16string Value::text() const {
    EXPECT_EQ(VT_BSTR, m_v.vt);
    if (m_v.vt != VT_BSTR || !m_v.bstrVal) return {};
    return std::u16string(m_v.bstrVal, SysStringLen(m_v.bstrVal));
}

LONG Value::number() const {
    EXPECT_EQ(VT_I4, m_v.vt);
    return m_v.vt == VT_I4 ? m_v.lVal : -1;
}

DISPID Script::id(const char16_t* name) const {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID member = DISPID_UNKNOWN;
    m_object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &member);
    return member;
}

HRESULT Script::invoke(const char16_t* name, WORD flags, std::vector<VARIANT> arguments, bool namedPut,
                       VARIANT* result) const {
    const DISPID member = id(name);
    EXPECT_NE(DISPID_UNKNOWN, member) << "no member " << testing::PrintToString(std::u16string(name));
    std::vector<VARIANT> lastFirst(arguments.rbegin(), arguments.rend());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{lastFirst.data(), namedPut ? &putId : nullptr, static_cast<UINT>(lastFirst.size()),
                      namedPut ? 1u : 0u};
    EXCEPINFO exception{};
    UINT argErr = 0;
    const HRESULT hr = m_object->Invoke(member, IID_NULL, LOCALE_SYSTEM_DEFAULT, flags, &params, result, &exception,
                                        &argErr);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return hr == DISP_E_EXCEPTION ? exception.scode : hr;
}

HRESULT Script::get(const char16_t* name, Value& result) const {
    VariantClear(&result.get());
    return invoke(name, DISPATCH_PROPERTYGET, {}, false, &result.get());
}

HRESULT Script::put(const char16_t* name, const Value& value) const {
    return invoke(name, DISPATCH_PROPERTYPUT, {value.get()}, true, nullptr);
}

HRESULT Script::call(const char16_t* name, std::vector<VARIANT> arguments, Value* result) const {
    if (result) VariantClear(&result->get());
    return invoke(name, DISPATCH_METHOD, std::move(arguments), false, result ? &result->get() : nullptr);
}

std::u16string Script::text(const char16_t* name) const {
    Value value;
    EXPECT_EQ(S_OK, get(name, value));
    return value.text();
}

LONG Script::number(const char16_t* name) const {
    Value value;
    EXPECT_EQ(S_OK, get(name, value));
    return value.number();
}

void ok(const Script& session, const char16_t* name, std::vector<VARIANT> arguments) {
    EXPECT_EQ(S_OK, session.call(name, std::move(arguments))) << testing::PrintToString(std::u16string(name));
}

void RegisteredPentak::SetUp() {
    const auto registered = regsvr32({"/s", kModule});
    ASSERT_EQ(0, registered.exitCode) << registered.err;
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

// The end of the apartment frees the module, so that each test starts
// with a fresh library: its diagnostic text and language are per process.
void RegisteredPentak::TearDown() { CoUninitialize(); }

Ptr<IPentak> RegisteredPentak::create() {
    Ptr<IPentak> object;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_Pentak, nullptr, CLSCTX_INPROC_SERVER, IID_IPentak, object.putVoid()));
    return object;
}

void ScriptedPentak::SetUp() {
    if (const char* previous = std::getenv("PLATFORM_UI")) m_previousUi = previous;
    answers("");
    RegisteredPentak::SetUp();
}

void ScriptedPentak::TearDown() {
    RegisteredPentak::TearDown();
    if (m_previousUi)
        ::setenv("PLATFORM_UI", m_previousUi->c_str(), 1);
    else
        ::unsetenv("PLATFORM_UI");
    platform::ui::script::clear();
    platform::ui::setBackend(nullptr);
}

// The module stays loaded from one test to the next and asks through the
// answers this program holds: those left are dropped and the new file's
// are queued now, by choosing the backend afresh.
void ScriptedPentak::answers(const std::string& script) {
    ::setenv("PLATFORM_UI", ("script:" + root.write("answers.txt", script).string()).c_str(), 1);
    platform::ui::script::clear();
    platform::ui::setBackend(nullptr);
    platform::ui::backend();
}

}  // namespace pentak_test
