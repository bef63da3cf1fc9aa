// The confirmation the user gives before a message is signed: the message
// and its hash as they will be signed, and a link that shows the signing
// certificate.
#pragma once

#include <string>

#include "win32/dialogs.h"

class TSignDlg {
public:
    // The certificate as Base64 or PEM text; an empty title shows the
    // message table's "Confirmation".
    TSignDlg(std::u16string certificate, std::u16string hash, std::u16string hashName, std::u16string message,
             std::u16string title);

    // Runs the library's dialog template 102 over parent: IDYES, IDNO or
    // IDCANCEL (also Escape); -1 with the last error set when the dialog
    // cannot be shown. The texts are those of the current GUI language.
    // The link names the certificate's subject (empty when the text is no
    // certificate) and shows the certificate in CryptUI's view, owned by
    // the dialog. Once shown, the dialog comes to the front.
    int DoModal(HWND parent);

private:
    friend struct LibraryDialog;
    void OnInitDialog(HWND dialog);
    // Whether the message was handled.
    bool OnMessage(HWND dialog, UINT message, WPARAM wParam);

    std::u16string m_certificate;
    std::u16string m_hash;
    std::u16string m_hashName;
    std::u16string m_message;
    std::u16string m_title;
};
