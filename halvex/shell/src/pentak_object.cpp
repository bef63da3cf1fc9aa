#include "pentak_object.h"

#include <array>
#include <utility>
#include <string_view>

#include "halvex/log.h"
#include "pentak_lib.h"
#include "win32/com.h"

namespace halvex {
namespace {

// Every member the wizard calls through the object, in the order checked.
constexpr std::array<std::u16string_view, 30> kMembers = {
    u"GetCardNumber",
    u"ProviderName",
    u"ProviderType",
    u"ContainerName",
    u"KeySpec",
    u"GenKeyFlags",
    u"KeyGenerate",
    u"CreatePKCS10",
    u"RequestedExtension_KeyUsage_SetBit",
    u"RequestedExtension_ExtKeyUsage_AddOid",
    u"AttributeStringType",
    u"AddSubjectAttribute",
    u"RequestedExtension_SubjectAltName_OtherName_Add",
    u"RequestedExtension_SubjectAltName_Add",
    u"AddAttribute_SmartCardInfoSC",
    u"AddAttribute_SmartCardInfo",
    u"AddAttribute_KavloCardInfo",
    u"KeySelect",
    u"Release",
    u"SignCert",
    u"Sign",
    u"GetContainerName",
    u"RequestImport",
    u"KeyContainerDelete",
    u"IsKeylenSupported",
    u"IsAlgOidSupported",
    u"SetHashAlgorithmOid",
    u"sha1Algorithm",
    u"sha256Algorithm",
    u"sha512Algorithm",
};

constexpr LCID kSystemDefaultLocale = 2048;
constexpr LCID kUserDefaultLocale = 1024;

// IDispatch takes IID_NULL as its reserved interface argument; an object
// refuses any other with DISP_E_UNKNOWNINTERFACE.
bool Knows(IPentak* pentak, std::u16string_view member) {
    std::u16string name(member);
    LPOLESTR names[] = {name.data()};
    DISPID id = 0;
    return SUCCEEDED(pentak->GetIDsOfNames(IID_NULL, names, 1, kSystemDefaultLocale, &id)) ||
           SUCCEEDED(pentak->GetIDsOfNames(IID_NULL, names, 1, kUserDefaultLocale, &id));
}

}  // namespace

PentakObject::~PentakObject() { Release(); }

PentakFailure PentakObject::Create() {
    Release();
    const HRESULT made = CoCreateInstance(CLSID_Pentak, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                         reinterpret_cast<void**>(&m_unknown));
    if (FAILED(made) || !m_unknown) {
        m_unknown = nullptr;
        return made == REGDB_E_CLASSNOTREG ? PentakFailure::NotRegistered : PentakFailure::NoObject;
    }
    if (FAILED(m_unknown->QueryInterface(IID_IPentak, reinterpret_cast<void**>(&m_pentak))) || !m_pentak) {
        m_pentak = nullptr;
        Release();
        return PentakFailure::NoInterface;
    }
    return PentakFailure::None;
}

std::u16string PentakObject::FirstMissingMember() const {
    for (const auto member : kMembers) {
        if (m_pentak && Knows(m_pentak, member)) continue;
        const std::u16string name(member);
        TLogFile::GetInstance().Print(u"CMainFrame():CheckPentak(): method/property %s not found", name.c_str());
        return name;
    }
    return {};
}

void PentakObject::Release() noexcept {
    if (m_pentak) std::exchange(m_pentak, nullptr)->Release();
    if (m_unknown) std::exchange(m_unknown, nullptr)->Release();
}

}  // namespace halvex
