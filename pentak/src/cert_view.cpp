// cert_view.cpp: the certificate view of CryptUI, bound at run time so that
// the library works where CryptUI is not installed, the certificates given
// as text with the names they are shown by, and message boxes.
#include "cert_view.h"

#include "common/cryptoapi.h"
#include "common/decoded_object.h"
#include "common/load_library.h"
#include "common/owned_context.h"
#include "common/pem.h"
#include "platform/crypt_names.h"
#include "win32/cryptui.h"
#include "win32/ui.h"

namespace {

constexpr DWORD kBase64Flags = 6;  // decode, armour lines allowed

}  // namespace

bool TCryptoapi::ViewCertificate(PCCERT_CONTEXT certificate, HWND owner) {
    if (!certificate) return false;
    TLoadLibrary cryptUi;
    if (!cryptUi.Load(u"CryptUI.dll")) return false;
    const auto view = cryptUi.GetProc("CryptUIDlgViewCertificateW", PFN_CryptUIDlgViewCertificateW{});
    if (!view) return false;
    CRYPTUI_VIEWCERTIFICATE_STRUCTW arguments{};
    arguments.dwSize = sizeof arguments;
    arguments.hwndParent = owner ? owner : GetActiveWindow();
    arguments.pCertContext = certificate;
    BOOL propertiesChanged = FALSE;
    return view(&arguments, &propertiesChanged) != FALSE;
}

bool ViewCertificateDer(const std::vector<BYTE>& der, HWND owner) {
    const OwnedCertContext certificate(
        CertCreateCertificateContext(kCertEncoding, der.data(), static_cast<DWORD>(der.size())));
    return TCryptoapi::ViewCertificate(certificate.get(), owner);
}

OwnedCertContext CertificateOfText(const std::u16string& text) {
    std::vector<BYTE> der;
    if (!TAsn1Coder::StringToBinary(text, der, kBase64Flags)) return OwnedCertContext();
    return OwnedCertContext(CertCreateCertificateContext(kCertEncoding, der.data(), static_cast<DWORD>(der.size())));
}

std::u16string CertificateNameOfText(const std::u16string& text) {
    const OwnedCertContext certificate = CertificateOfText(text);
    if (!certificate) return {};
    return platform::crypt::certificateName(certificate.get(), CERT_NAME_SIMPLE_DISPLAY_TYPE);
}

bool ViewCertificateText(const std::u16string& text, HWND owner) {
    std::vector<BYTE> der;
    return TAsn1Coder::StringToBinary(text, der, kBase64Flags) && ViewCertificateDer(der, owner);
}

int ShowMessageBox(const std::u16string& text, const std::u16string& caption, UINT style) {
    return MessageBoxW(GetActiveWindow(), text.c_str(), caption.c_str(), style);
}
