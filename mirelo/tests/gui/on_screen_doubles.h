// Stand-ins the on-screen dialog tests give the dialogs: confirmation
// actions that do nothing, and a signer whose certificate a test sets.
#pragma once

#include "certificate_support.h"
#include "sign_enc_kyd_dlg.h"
#include "signer.h"
#include "testkit/pki.h"

namespace on_screen {

// The container confirmation's buttons that open more windows do nothing.
class NoActions : public KydConfirmationActions {
public:
    bool ShowDocument(HWND) override { return false; }
    bool ChooseSigningCertificate(HWND) override { return false; }
};

// A signer that remembers the certificate it is to confirm with.
class SignerOnScreen : public TSigner {
public:
    void remember(const testkit::pki::Certificate& certificate) {
        m_certs.AddCertificate(1, certificate_support::infoOf(certificate), false);
    }
};

}  // namespace on_screen
