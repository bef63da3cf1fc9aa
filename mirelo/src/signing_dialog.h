// TSigningDialog: the base of the signing component's dialogs, each of
// which runs one of the component's declared templates
// (signing_dialog_templates.h). It answers the default message map only:
// WM_INITDIALOG goes to OnInitDialog (the system then sets the focus), every
// other message to OnMessage.
#pragma once

#include "modal_dialog.h"

class TSigningDialog : public TModalDialog {
public:
    // The value given to EndDialog, or -1 when the dialog cannot be made.
    INT_PTR Show(HWND parent);

    BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                              DWORD mapId) final;

protected:
    explicit TSigningDialog(int templateId) : m_templateId(templateId) {}

private:
    virtual void OnInitDialog() = 0;
    // Whether the message was handled, with its result. Here, for dialogs
    // that only show something: a click on OK or the close box ends the
    // dialog with IDOK; any other message is not handled.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    int m_templateId;
};
