// CEnroll: construction, reset and destruction of a session, and the one
// rule that turns a step's outcome into a result code.
#include "enroll.h"

#include "common/reg.h"
#include "my_error.h"
#include "win32/crypt_encode.h"
#include "win32/crypt_provider.h"
#include "win32/error_codes.h"
#include "win32/registry.h"

namespace {

constexpr UINT kDefaultCodePage = 1250;
constexpr const char16_t* kDefaultMessageEncoding = u"text";

}  // namespace

CEnroll::CEnroll() {
    Reset();
    // The sign dialog shows the message in a rich-edit control; the older
    // library is the fallback. Where neither exists the load fails quietly
    // and the dialog does without it.
    if (!m_richEditLibrary.Load(u"Riched20.DLL")) m_richEditLibrary.Load(u"RICHED32.DLL");
}

CEnroll::~CEnroll() { Reset(); }

DWORD CEnroll::ResultFromStatus(bool ok, DWORD error) {
    if (ok) return 0;
    return error != 0 ? error : static_cast<DWORD>(NTE_FAIL);
}

BOOL CEnroll::Reset() {
    readApplicationProfile();
    m_subjectAttributes.clear();
    m_requestAttributes.clear();
    releaseKeyContext();
    m_extKeyUsageOids.clear();
    m_certPolicyOids.clear();
    m_subjectAltNames.clear();
    m_crlDistPoints.clear();
    m_keyUsageBits.fill(0);
    m_requestedExtensions.clear();

    m_genKeyFlags = 0;
    m_containerName.reset();
    m_keySpec = AT_SIGNATURE;
    m_providerType = PROV_RSA_FULL;
    m_providerName.reset();
    m_smartCardReaderName.reset();
    m_smartCardName.reset();
    m_attributeStringType = CERT_RDN_PRINTABLE_STRING;

    CMyError::Instance().Reset();
    m_cspStore.clear();

    m_signCert.reset();
    m_certificate.reset();
    m_messageTBS.reset();
    m_signedMessage.reset();
    m_hashAlgorithmOid.reset();
    m_signatureAlgorithmOid.reset();
    m_codePage = kDefaultCodePage;
    m_messageEncoding = kDefaultMessageEncoding;
    return TRUE;
}

// A missing key or value is no error: the session keeps the default
// profile.
void CEnroll::readApplicationProfile() {
    m_applicationProfile = sgAppProfileDefault;
    CReg key;
    DWORD profile = 0;
    if (key.Open(HKEY_LOCAL_MACHINE, kProfileKey, true) && key.QueryDword(kProfileValue, profile))
        m_applicationProfile = static_cast<sgAppProfile>(profile);
}

void CEnroll::releaseKeyContext() {
    if (m_hProv != 0) CryptReleaseContext(m_hProv, 0);
    m_hProv = 0;
}
