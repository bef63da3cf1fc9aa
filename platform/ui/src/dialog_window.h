// A dialog of the layer: its handles, the state of its controls and its
// procedure. It belongs to the thread that made it: a modal one lives for
// one DialogBoxParam call on that thread's stack, a modeless one (or a
// plain window) until DestroyWindow.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialog_session.h"
#include "win32/dialogs.h"

namespace platform::ui {

class DialogWindow final : public DialogSession {
public:
    // Gives the dialog and each control a handle. wide: the procedure
    // speaks UTF-16 (DialogBoxParamW), else ANSI.
    DialogWindow(std::shared_ptr<const DialogTemplate> dialog, HWND owner, DLGPROC procedure, bool wide);
    ~DialogWindow() override;
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

    // WM_INITDIALOG, the backend's loop until EndDialog, then WM_DESTROY
    // and WM_NCDESTROY; EndDialog's value.
    INT_PTR run(LPARAM initParam);
    // The start and the end of run() for a modeless dialog: WM_INITDIALOG
    // and the messages it posted; WM_DESTROY and WM_NCDESTROY.
    void initialise(LPARAM initParam);
    void destroy();

    HWND handle() const { return m_handle; }
    HWND owner() const { return m_owner; }
    DWORD thread() const { return m_thread; }
    bool wide() const { return m_wide; }
    // A modeless dialog the backend shows: each change reaches it.
    void setShownModeless(bool shown) { m_shownModeless = shown; }
    bool shownModeless() const { return m_shownModeless; }
    // A plain window (CreateWindowEx): shown only as its record says.
    void setPlain() { m_plain = true; }
    bool isPlain() const { return m_plain; }
    // Hands the state to the backend's window of a modeless dialog.
    void changed();
    HWND controlHandle(std::size_t index) const;
    std::optional<std::size_t> indexOf(int id) const;

    LRESULT sendToDialog(UINT message, WPARAM wParam, LPARAM lParam) { return sendToDialog(message, wParam, lParam, m_wide); }
    // wide: the texts the caller gives and takes are UTF-16 (a W call),
    // else ANSI, whichever the procedure speaks.
    LRESULT sendToDialog(UINT message, WPARAM wParam, LPARAM lParam, bool wide);
    // wide: the text parameters are UTF-16 (a W call), else ANSI.
    LRESULT sendToControl(std::size_t index, UINT message, WPARAM wParam, LPARAM lParam, bool wide);
    void end(INT_PTR result);
    LONG_PTR setMessageResult(LONG_PTR value);
    LONG_PTR messageResult() const { return m_messageResult; }
    // The procedure's own value (DWLP_USER).
    LONG_PTR& userValue() { return m_userValue; }
    DialogState& mutableState() { return m_state; }

    const DialogState& state() const override { return m_state; }
    void refreshColors() override;
    void press(int id) override;
    void select(int id, int row) override;
    void resize(int width, int height) override;
    void close() override;
    void cancel() override;
    void deliverPosted() override;
    bool ended() const override { return m_ended; }

private:
    void askLeastSize();
    // The procedure's answer by the dialog-procedure rules, or the default
    // handling when it leaves the message.
    LRESULT defaultAnswer(UINT message, WPARAM wParam, LPARAM lParam, bool wide);
    // WM_COMMAND of IDCANCEL, with its button unless that is disabled.
    void pressCancel();

    std::shared_ptr<const DialogTemplate> m_template;
    HWND m_handle;
    HWND m_owner;
    DLGPROC m_procedure;
    bool m_wide;
    DWORD m_thread;
    bool m_shownModeless = false;
    bool m_plain = false;
    DialogState m_state;
    bool m_ended = false;
    INT_PTR m_result = 0;
    LONG_PTR m_messageResult = 0;
    LONG_PTR m_userValue = 0;
};

// The module's template named by the number, checked as DialogBoxParam
// checks it; throws WinError (see win32/dialogs.h).
std::shared_ptr<const DialogTemplate> checkedTemplate(HINSTANCE module, ULONG_PTR name, HWND owner,
                                                      DLGPROC procedure);

// The dialog a handle belongs to and, for a control, its index. Throws
// WinError(ERROR_INVALID_WINDOW_HANDLE) for a handle of no live dialog.
struct WindowTarget {
    DialogWindow* dialog;
    std::optional<std::size_t> control;
    DWORD thread;  // the thread the window belongs to
};
WindowTarget windowOf(HWND handle);
// Whether the handle is that of a live dialog (not one of its controls).
bool isDialog(HWND handle);
// The state of the dialog a window of the calling thread opened with that
// owner stands over (see DialogState::owner); null for none.
const DialogState* dialogOpenedOver(HWND owner);
// The dialogs and plain windows of every thread, oldest first.
std::vector<HWND> topLevelWindows();

}  // namespace platform::ui
