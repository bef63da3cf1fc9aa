// TSignEncKydDlg: the confirmation of signing a document into a container
// (template 206): the document's path and the state of its check, its
// digest, the signing certificate with its expiry line, the loaded policy,
// and the two agreements (content and policy) without which Yes stays
// disabled.
#pragma once

#include <string>
#include <vector>

#include "sign_job.h"
#include "signing_dialog.h"

class TSignerKyd;

// What the dialog asks of the signing operation that shows it.
class KydConfirmationActions {
public:
    virtual ~KydConfirmationActions() = default;
    // Shows the document through its plug-in; true when the user saw it
    // (the content agreement is then ticked).
    virtual bool ShowDocument(HWND dialog) = 0;
    // Lets the user choose another signing certificate; true when one was
    // chosen (the certificate and digest lines are then refreshed).
    virtual bool ChooseSigningCertificate(HWND dialog) = 0;
};

// Show gives IDYES, IDNO or IDCANCEL; -1 when the dialog cannot be made.
class TSignEncKydDlg final : public TSigningDialog {
public:
    static constexpr int kTemplateId = 206;

    // options are those of TSignEncDlg (kConfirm*); hashAlgorithm 0 takes
    // the digest from the signing certificate. checkState colours the
    // check's text: 0 green, 1 blue, anything else red.
    TSignEncKydDlg(TSignerKyd& signer, KydConfirmationActions& actions, std::vector<SignJobDocument>& documents,
                   DWORD options, ALG_ID hashAlgorithm, int checkState, std::string checkText,
                   std::string applicationName);

    // The files to go into the container beside the document, which the
    // signing operation takes over when the user says Yes. No control of
    // the template adds to them, so the list stays empty.
    const std::vector<std::string>& AdditionalFiles() const { return m_additionalFiles; }

private:
    void OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void ShowSigningCertificate();
    void ShowPolicy();
    void OnCommand(WORD id);
    void RefreshYes();
    void ShowHash();
    LRESULT OnColorStatic(HDC context, HWND control);

    TSignerKyd& m_signer;
    KydConfirmationActions& m_actions;
    std::vector<SignJobDocument>& m_documents;
    DWORD m_options;
    ALG_ID m_hashAlgorithm;
    int m_checkState;
    std::string m_checkText;
    std::string m_applicationName;
    bool m_expiryWarning = false;
    std::vector<std::string> m_additionalFiles;
};
