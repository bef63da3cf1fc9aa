// TModalDialog: the base of the signing component's own dialogs. The
// object is bound to its dialog window from the window's first message on,
// and every message goes to ProcessWindowMessage; DoModal runs the dialog
// of a template this component declares (signing_dialog_templates.h).
#pragma once

#include "win32/dialogs.h"
#include "win32/types.h"

class TModalDialog {
public:
    TModalDialog() = default;
    virtual ~TModalDialog() = default;
    TModalDialog(const TModalDialog&) = delete;
    TModalDialog& operator=(const TModalDialog&) = delete;

    // Whether the message was handled, with its result; mapId 0 is the
    // default message map.
    virtual BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                                      DWORD mapId) = 0;
    // Called once the window has had its last message; does nothing here.
    virtual void OnFinalMessage(HWND window);

    // The value given to EndDialog, or DialogBoxParamA's -1 (or 0) when the
    // dialog could not run.
    INT_PTR DoModal(HWND parent, int templateId, LPARAM initParam = 0);

    HWND m_hWnd = nullptr;

    // The module whose templates the component's dialogs use.
    static HINSTANCE ModuleInstance();

private:
    struct MessageRecord {
        HWND window;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        BOOL handled;
    };

    static INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    const MessageRecord* m_currentMessage = nullptr;
    // Bit 0: the window has had its final message.
    DWORD m_state = 0;
};

// Where a window of the dialog's size goes: centred on `around` (on
// `bounds` when null), then moved inside `bounds`; when it is larger than
// `bounds`, their top left corners meet. A popup centres on its owner
// within the work area, a child on its parent's client area within it.
RECT CentredRect(const RECT& dialog, const RECT* around, const RECT& bounds);

// Centres the popup dialog on its owner, or on the work area of the
// nearest monitor when there is none or it is hidden or minimised, kept
// inside the work area; position only. Without monitor information
// nothing moves.
void CenterDialog(HWND dialog);

// Applies the dialog-initialisation data (resource type 240) of the
// template, when the module has any: each record {control id, message,
// length, data} up to a control id of 0 (dialog_init_records.h); 0x0403 adds
// the data's text to a drop-down list, 0x1234 inserts it last into an
// extended combo box. Any other message, a record that overruns the data
// or a control that refuses ends the list.
void ApplyDialogInitData(HWND dialog, HINSTANCE module, int templateId);
