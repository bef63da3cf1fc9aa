// What the certificate dialogs say about a certificate, in Czech as the
// rest of the layer's windows: the list's columns and cells, the fields of
// the view, dates and bytes as text. Texts are UTF-8.
#pragma once

#include <string>
#include <type_traits>
#include <vector>

#include "platform/owned.h"
#include "platform/ui.h"
#include "win32/crypt_store.h"

namespace platform::cryptui {

using HeldCertificate = Owned<const CERT_CONTEXT, CertFreeCertificateContext>;
void closeStore(HCERTSTORE store) noexcept;
using HeldStore = Owned<std::remove_pointer_t<HCERTSTORE>, closeStore>;

// The list's columns in their order, each with its CRYPTUI_SELECT_*_COLUMN
// bit; those whose bit is in `hidden` are left out.
std::vector<std::string> columnTitles(DWORD hidden);
// The cells of a certificate under columnTitles(hidden): issued to, issued
// by, intended purposes, friendly name, expiration date, location (the
// provider holding its private key).
std::vector<std::string> rowCells(PCCERT_CONTEXT certificate, DWORD hidden);

// The view's summary and fields (version, serial number, signature
// algorithm, issuer, validity, subject, public key, thumbprint).
std::vector<ui::CertificateLine> summaryLines(PCCERT_CONTEXT certificate);
std::vector<ui::CertificateLine> fieldLines(PCCERT_CONTEXT certificate);

// The friendly-name property, empty when not set.
std::string friendlyName(PCCERT_CONTEXT certificate);
// The simple display name of the subject (or, with CERT_NAME_ISSUER_FLAG,
// of the issuer).
std::string displayName(PCCERT_CONTEXT certificate, DWORD flags = 0);
// "0a 1b 2c" in the order given.
std::string hexText(const BYTE* bytes, DWORD count);
// The name the OID information gives the OID in that group (0: any), else
// the OID itself.
std::string oidName(LPCSTR oid, DWORD group);

}  // namespace platform::cryptui
