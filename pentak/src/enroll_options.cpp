// CEnroll: the session's choices that are checked or have defaults: the
// encoding of messages, the language of the library's texts and the
// algorithms of signatures.
#include "enroll.h"

#include "pentak_resource.h"
#include "platform/text.h"
#include "win32/error_codes.h"

namespace {

constexpr std::u16string_view kDefaultHashAlgorithmOid = u"1.3.14.3.2.26";
constexpr std::u16string_view kDefaultSignatureAlgorithmOid = u"1.3.14.3.2.29";

std::u16string valueOr(const CEnroll::OptionalText& text, std::u16string_view fallback) {
    return text && !text->empty() ? *text : std::u16string(fallback);
}

}  // namespace

DWORD CEnroll::SetMessageEncoding(std::u16string_view encoding) {
    if (encoding != u"text" && encoding != u"base64") return ERROR_INVALID_PARAMETER;
    m_messageEncoding = encoding;
    return 0;
}

DWORD CEnroll::SetGUILanguage(std::u16string_view code) {
    if (code.empty() || !TPentakResource::Instance()->SetLanguageStr(code)) return ERROR_INVALID_PARAMETER;
    return 0;
}

std::u16string CEnroll::GetGUILanguage() const {
    return platform::text::toLower(TPentakResource::Instance()->GetLanguageStr());
}

std::u16string CEnroll::GetHashAlgorithmOid() const { return valueOr(m_hashAlgorithmOid, kDefaultHashAlgorithmOid); }

std::u16string CEnroll::GetSignatureAlgorithmOid() const {
    return valueOr(m_signatureAlgorithmOid, kDefaultSignatureAlgorithmOid);
}

DWORD CEnroll::SetHashAlgorithmOid(std::u16string_view oid) { return storeIfSupported(m_hashAlgorithmOid, oid); }

DWORD CEnroll::SetSignatureAlgorithmOid(std::u16string_view oid) {
    return storeIfSupported(m_signatureAlgorithmOid, oid);
}

DWORD CEnroll::storeIfSupported(OptionalText& algorithmOid, std::u16string_view oid) {
    const DWORD result = IsAlgOidSupported(oid);
    if (result == 0) algorithmOid = std::u16string(oid);
    return result;
}
