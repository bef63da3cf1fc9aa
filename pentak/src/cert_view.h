// Showing certificates and questions to the user.
#pragma once

#include <string>
#include <vector>

#include "common/owned_context.h"
#include "win32/types.h"

// The certificate given as Base64 or PEM text; null when it is none.
OwnedCertContext CertificateOfText(const std::u16string& text);
// The name by which the certificate is shown (its subject's simple display
// name); empty when the text is no certificate.
std::u16string CertificateNameOfText(const std::u16string& text);

// Shows the certificate given as Base64 or PEM text (or as DER bytes) in
// CryptUI's view dialog; false when it is no certificate or the dialog
// cannot be shown.
bool ViewCertificateText(const std::u16string& text, HWND owner);
bool ViewCertificateDer(const std::vector<BYTE>& der, HWND owner);

// A message box over the active window; the button pressed.
int ShowMessageBox(const std::u16string& text, const std::u16string& caption, UINT style);
