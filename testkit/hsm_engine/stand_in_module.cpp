// The HSM engine stand-in: an in-process COM server with the engine's class
// and interface whose members do no HSM work. Each call is recorded and
// answered as the test configured it (stand_in_settings.h); the object's
// creation and destruction are recorded too, so a test can count the live
// ones. The module is built at two file versions; ModuleVersion gives the
// one this build carries.
#include <string>

#include "hsm_engine_lib.h"
#include "platform/com/dispatch.h"
#include "platform/com/server.h"
#include "platform/text.h"
#include "stand_in_settings.h"

namespace {

namespace settings = hsm_engine_stand_in;

std::u16string textOf(BSTR text) { return text ? std::u16string(text, SysStringLen(text)) : std::u16string(); }
std::u16string numberOf(LONG value) { return platform::text::fromUtf8(std::to_string(value)); }

void record(const std::u16string& line) {
    settings::writeText(settings::kCallsValue, settings::readText(settings::kCallsValue).value_or(u"") + line + u"\n");
}

// Records the call with its arguments and gives the HRESULT the test set
// for it.
HRESULT answer(const std::u16string& call, const std::u16string& arguments = u"") {
    record(call + u"(" + arguments + u")");
    return static_cast<HRESULT>(settings::readDword(call.c_str()).value_or(S_OK));
}

// Records the life of an object of either class below.
class Lifetime {
public:
    Lifetime() { record(u"created"); }
    ~Lifetime() { record(u"destroyed"); }
    Lifetime(const Lifetime&) = delete;
    Lifetime& operator=(const Lifetime&) = delete;
};

// What the engine class makes while the test has it refuse the engine
// interface: an object whose QueryInterface knows only IUnknown and
// ISupportErrorInfo.
class RefusingStandIn final : public platform::com::Object<RefusingStandIn, ISupportErrorInfo> {
public:
    HRESULT InterfaceSupportsErrorInfo(REFIID) override { return S_FALSE; }

private:
    Lifetime m_lifetime;
};

class StandIn final : public platform::com::Object<StandIn, platform::com::Dispatch<IHsmEngine>> {
public:
    static HRESULT create(IUnknown* outer, const IID& iid, void** ppv) noexcept {
        if (settings::readDword(settings::kRefuseInterfaceValue).value_or(0))
            return RefusingStandIn::create(outer, iid, ppv);
        return Object::create(outer, iid, ppv);
    }

    HRESULT get_FirstFlag(LONG* value) override { return give(u"get_FirstFlag", value, m_firstFlag); }
    HRESULT put_FirstFlag(LONG value) override { return keep(u"put_FirstFlag", m_firstFlag, value); }
    HRESULT get_SecondFlag(LONG* value) override { return give(u"get_SecondFlag", value, m_secondFlag); }
    HRESULT put_SecondFlag(LONG value) override { return keep(u"put_SecondFlag", m_secondFlag, value); }
    HRESULT Spare1() override { return answer(u"Spare1"); }
    HRESULT Spare2() override { return answer(u"Spare2"); }
    HRESULT Spare3() override { return answer(u"Spare3"); }
    HRESULT Spare4() override { return answer(u"Spare4"); }
    HRESULT Init(BSTR url, BSTR device, LONG comPort) override {
        return answer(u"Init", textOf(url) + u", " + textOf(device) + u", " + numberOf(comPort));
    }
    HRESULT WriteRoot(BSTR certFileName) override { return answer(u"WriteRoot", textOf(certFileName)); }
    HRESULT TestConnection() override { return answer(u"TestConnection"); }
    HRESULT GetRootList(BSTR* rootList) override {
        if (!rootList) return E_POINTER;
        *rootList = nullptr;
        const HRESULT hr = answer(u"GetRootList");
        const auto text = settings::readText(settings::kRootListValue);
        if (SUCCEEDED(hr) && text) *rootList = SysAllocStringLen(text->data(), static_cast<UINT>(text->size()));
        return hr;
    }
    HRESULT get_ModuleVersion(BSTR* version) override {
        if (!version) return E_POINTER;
        *version = SysAllocString(HSM_STAND_IN_VERSION);
        return *version ? S_OK : E_OUTOFMEMORY;
    }

private:
    static HRESULT give(const char16_t* call, LONG* out, LONG value) {
        if (!out) return E_POINTER;
        const HRESULT hr = answer(call);
        *out = value;
        return hr;
    }
    static HRESULT keep(const char16_t* call, LONG& field, LONG value) {
        const HRESULT hr = answer(call, numberOf(value));
        if (SUCCEEDED(hr)) field = value;
        return hr;
    }

    Lifetime m_lifetime;
    LONG m_firstFlag = 0;
    LONG m_secondFlag = 0;
};

const platform::com::ServerClass kClasses[] = {platform::com::serverClass<StandIn>(CLSID_HsmEngine)};

}  // namespace

TESK_COM_SERVER(kClasses, 101)
