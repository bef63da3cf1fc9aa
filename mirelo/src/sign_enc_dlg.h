// TSignEncDlg: the signer's own confirmation of a signing job (template
// 205): what will be signed (the text of one document, or the list of
// documents), the digest of the selected document, the certificates the
// operation uses, and Yes, No and Cancel.
#pragma once

#include <string>
#include <vector>

#include "sign_job.h"
#include "signing_dialog.h"

class TSigner;

// Option bits of the dialog (TSigner::ConfirmationOptions).
inline constexpr DWORD kConfirmSign = 0x02;
inline constexpr DWORD kConfirmEncrypt = 0x04;
inline constexpr DWORD kConfirmIncludesCertificates = 0x08;
inline constexpr DWORD kConfirmIncludesKeyExchange = 0x10;
inline constexpr DWORD kConfirmFixedSigner = 0x40;

// Show gives IDYES, IDNO or IDCANCEL; -1 when the dialog cannot be made.
class TSignEncDlg : public TSigningDialog {
public:
    static constexpr int kTemplateId = 205;

    // hashAlgorithm 0 takes the digest from the signing certificate.
    TSignEncDlg(TSigner& signer, std::vector<SignJobDocument>& documents, DWORD options, bool listMode,
                ALG_ID hashAlgorithm, std::string issuerFilter, std::string version);

private:
    void OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnCommand(WORD id, WORD notification);
    LRESULT OnColorStatic(HDC context, HWND control);
    void ShowCertificateLines();
    void ShowHash();
    void ShowFile();
    std::size_t SelectedDocument() const;

    TSigner& m_signer;
    std::vector<SignJobDocument>& m_documents;
    DWORD m_options;
    bool m_listMode;
    ALG_ID m_hashAlgorithm;
    std::string m_issuerFilter;
    std::string m_version;
    bool m_expiryWarning = false;
};
