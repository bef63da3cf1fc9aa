// CPentak's plain properties: the session's settings read and written as
// they are, and the process-wide diagnostic text and level.
#include "automation_text.h"
#include "my_error.h"
#include "pentak_class.h"

using pentak::giveText;
using pentak::giveTextOrNull;
using pentak::giveValue;
using pentak::keepText;
using pentak::keepValue;

HRESULT CPentak::get_ProviderType(LONG* pVal) { return giveValue(GetProviderType(), pVal); }
HRESULT CPentak::put_ProviderType(LONG newVal) { return keepValue(newVal, *this, &CEnroll::SetProviderType); }

HRESULT CPentak::get_ProviderName(BSTR* pVal) { return giveTextOrNull(GetProviderName(), pVal); }
HRESULT CPentak::put_ProviderName(BSTR newVal) { return keepText(newVal, *this, &CEnroll::SetProviderName); }
HRESULT CPentak::get_CSPName(BSTR* pVal) { return giveTextOrNull(GetProviderName(), pVal); }

HRESULT CPentak::get_ContainerName(BSTR* pVal) { return giveTextOrNull(CEnroll::GetContainerName(), pVal); }
HRESULT CPentak::put_ContainerName(BSTR newVal) { return keepText(newVal, *this, &CEnroll::SetContainerName); }
HRESULT CPentak::get_KeyContainerName(BSTR* pVal) { return giveTextOrNull(CEnroll::GetContainerName(), pVal); }

HRESULT CPentak::get_KeySpec(LONG* pVal) { return giveValue(GetKeySpec(), pVal); }
HRESULT CPentak::put_KeySpec(LONG newVal) { return keepValue(newVal, *this, &CEnroll::SetKeySpec); }

HRESULT CPentak::get_GenKeyFlags(LONG* pVal) { return giveValue(GetGenKeyFlags(), pVal); }
HRESULT CPentak::put_GenKeyFlags(LONG newVal) { return keepValue(newVal, *this, &CEnroll::SetGenKeyFlags); }

HRESULT CPentak::get_AttributeStringType(LONG* pVal) { return giveValue(GetAttributeStringType(), pVal); }
HRESULT CPentak::put_AttributeStringType(LONG newVal) {
    return keepValue(newVal, *this, &CEnroll::SetAttributeStringType);
}

HRESULT CPentak::get_Crytpui(LONG* pVal) {
    if (!pVal) return E_POINTER;
    return giveValue(IsCryptUIAvailable(), pVal);
}

HRESULT CPentak::get_signedMessage(BSTR* pVal) { return giveTextOrNull(GetSignedMessage(), pVal); }
HRESULT CPentak::get_SignCert(BSTR* pVal) { return giveTextOrNull(GetSignCert(), pVal); }

HRESULT CPentak::get_messageTBS(BSTR* pVal) { return giveTextOrNull(GetMessageTBS(), pVal); }
HRESULT CPentak::put_messageTBS(BSTR newVal) { return keepText(newVal, *this, &CEnroll::SetMessageTBS); }

HRESULT CPentak::get_Certificate(BSTR* pVal) { return giveTextOrNull(GetCertificate(), pVal); }
HRESULT CPentak::put_Certificate(BSTR newVal) { return keepText(newVal, *this, &CEnroll::SetCertificate); }

HRESULT CPentak::get_SignDlgTitle(BSTR* pVal) { return giveTextOrNull(GetSignDlgTitle(), pVal); }
HRESULT CPentak::put_SignDlgTitle(BSTR newVal) { return keepText(newVal, *this, &CEnroll::SetSignDlgTitle); }

HRESULT CPentak::get_SmartCardName(BSTR* pVal) { return giveTextOrNull(GetSmartCardName(), pVal); }
HRESULT CPentak::get_SmartCardReaderName(BSTR* pVal) { return giveTextOrNull(GetSmartCardReaderName(), pVal); }
HRESULT CPentak::put_SmartCardReaderName(BSTR newVal) {
    return keepText(newVal, *this, &CEnroll::SetSmartCardReaderName);
}

HRESULT CPentak::get_ApplicationProfile(sgAppProfile* pVal) { return giveValue(GetApplicationProfile(), pVal); }
HRESULT CPentak::put_ApplicationProfile(sgAppProfile newVal) {
    return keepValue(newVal, *this, &CEnroll::SetApplicationProfile);
}

HRESULT CPentak::get_CodePage(ULONG* pVal) { return giveValue(GetCodePage(), pVal); }
HRESULT CPentak::put_CodePage(ULONG newVal) { return keepValue(newVal, *this, &CEnroll::SetCodePage); }

// The diagnostic text and its level belong to the process: every object
// and every session's reset share them. A null text empties it.
HRESULT CPentak::get_Error(BSTR* pVal) { return giveText(CMyError::Instance().GetText(), pVal); }
HRESULT CPentak::put_Error(BSTR newVal) {
    return keepText(newVal, CMyError::Instance(),
                    [](CMyError& record, CEnroll::OptionalText text) { record.SetText(text.value_or(u"")); });
}
HRESULT CPentak::get_ErrorLevel(LONG* pVal) { return giveValue(CMyError::Instance().GetLevel(), pVal); }
HRESULT CPentak::put_ErrorLevel(LONG newVal) { return keepValue(newVal, CMyError::Instance(), &CMyError::SetLevel); }
