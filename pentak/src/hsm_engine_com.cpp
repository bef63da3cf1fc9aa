// hsm_engine_com.cpp: the HSM engine client: creation of the engine object
// and the calls through its interface's table of functions.
#include "hsm_engine_com.h"

#include <utility>

#include "win32/error.h"
#include "win32/oleauto.h"

// The engine's interface in the order of its table of functions after
// IDispatch's. The client calls the functions that have names; the others
// only keep their places.
struct IHsmEngine : public IDispatch {
    virtual HRESULT Unused1() = 0;
    virtual HRESULT SetFirstCreationFlag(LONG value) = 0;
    virtual HRESULT Unused3() = 0;
    virtual HRESULT SetSecondCreationFlag(LONG value) = 0;
    virtual HRESULT Unused5() = 0;
    virtual HRESULT Unused6() = 0;
    virtual HRESULT Unused7() = 0;
    virtual HRESULT Unused8() = 0;
    virtual HRESULT Init(BSTR url, BSTR device, LONG comPort) = 0;
    virtual HRESULT WriteRoot(BSTR certFileName) = 0;
    virtual HRESULT TestConnection() = 0;
    virtual HRESULT GetRootList(BSTR* rootList) = 0;

protected:
    ~IHsmEngine() = default;
};

namespace {

constexpr CLSID kEngineClass = {0xB50CF139, 0x8836, 0x4C9A, {0xB6, 0x5C, 0xEA, 0xBB, 0x56, 0xEC, 0x2C, 0xE3}};
constexpr IID kEngineInterface = {0xF8020D6A, 0x83B0, 0x45EA, {0x95, 0xFF, 0x23, 0xE0, 0x7B, 0x2C, 0x43, 0x67}};

constexpr std::u16string_view kDefaultServer = u"https://hsm.tesk.cz:443/cgi-bin/hsmrc.cgi";
constexpr std::u16string_view kDefaultDevice = u"PC/SC";
constexpr LONG kDefaultComPort = 0;

// A BSTR owned from the line that makes it.
class OwnedBstr {
public:
    OwnedBstr() = default;
    explicit OwnedBstr(std::u16string_view text)
        : m_text(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~OwnedBstr() { SysFreeString(m_text); }
    OwnedBstr(const OwnedBstr&) = delete;
    OwnedBstr& operator=(const OwnedBstr&) = delete;

    BSTR get() const noexcept { return m_text; }
    BSTR* put() noexcept {
        SysFreeString(std::exchange(m_text, nullptr));
        return &m_text;
    }
    std::u16string_view view() const noexcept { return {m_text, SysStringLen(m_text)}; }

private:
    BSTR m_text = nullptr;
};

// A failing HRESULT becomes the thread's last error, so that the session
// reports the engine's own reason and not an older error of the thread.
bool succeeded(HRESULT result) {
    if (SUCCEEDED(result)) return true;
    SetLastError(static_cast<DWORD>(result));
    return false;
}

bool initEngine(IHsmEngine* engine, std::u16string_view url, std::u16string_view device, LONG comPort) {
    const OwnedBstr urlText(url), deviceText(device);
    return succeeded(engine->Init(urlText.get(), deviceText.get(), comPort));
}

}  // namespace

THsmEngineCom::THsmEngineCom() = default;
THsmEngineCom::~THsmEngineCom() = default;

void THsmEngineCom::Release() {
    m_engine.reset();
    m_unknown.reset();
}

bool THsmEngineCom::Create() {
    if (m_unknown && m_engine) return true;
    Release();
    if (!succeeded(CoCreateInstance(kEngineClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, m_unknown.putVoid())))
        return false;
    if (!succeeded(m_unknown->QueryInterface(kEngineInterface, m_engine.putVoid()))) {
        Release();
        return false;
    }
    // A failure of these three calls does not undo the creation.
    m_engine->SetFirstCreationFlag(1);
    m_engine->SetSecondCreationFlag(0);
    initEngine(m_engine.get(), kDefaultServer, kDefaultDevice, kDefaultComPort);
    return true;
}

bool THsmEngineCom::Init(std::u16string_view url, std::u16string_view device, LONG comPort) {
    return Create() && initEngine(m_engine.get(), url, device, comPort);
}

bool THsmEngineCom::TestConnection() { return Create() && succeeded(m_engine->TestConnection()); }

bool THsmEngineCom::GetRootList(std::u16string& rootList) {
    if (!Create()) return false;
    OwnedBstr list;
    if (!succeeded(m_engine->GetRootList(list.put()))) return false;
    rootList += list.view();
    return true;
}

bool THsmEngineCom::WriteRoot(std::u16string_view certFileName) {
    if (!Create()) return false;
    const OwnedBstr fileName(certFileName);
    return succeeded(m_engine->WriteRoot(fileName.get()));
}
