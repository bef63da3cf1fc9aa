// A modal dialog as its backend sees it while it runs: the state of its
// controls, and the user's actions, which reach the dialog procedure as
// the messages Windows sends. Free of the Windows headers.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialog_template.h"
#include "platform/dialog_tree_items.h"

namespace platform::ui {

// A progress bar's range, position and step; marquee: its block runs
// (only in the marquee style), moved every marqueeIntervalMs.
struct ProgressState {
    int low = 0;
    int high = 100;
    int position = 0;
    int step = 10;
    bool marquee = false;
    int marqueeIntervalMs = 30;
};

// A list view's column: its title and width in pixels.
struct ListViewColumn {
    std::string title;
    int width = 0;
};

struct ControlState {
    ControlTemplate control;  // its template; text is the current text
    bool enabled = true;
    bool visible = true;
    bool checked = false;
    std::vector<std::string> items;  // list box and drop-down list rows
    int selection = -1;               // the selected row of those or of a list view
    // A list view's columns, its rows (a text per column, "" where none
    // was set) and its extended style (LVS_EX_*).
    std::vector<ListViewColumn> columns;
    std::vector<std::vector<std::string>> rows;
    std::uint32_t extendedStyle = 0;
    std::vector<TreeItem> treeItems;  // tree-view items
    int zoom = 100;                   // a text view's font scale, percent
    ProgressState progress;           // a progress bar's
    // The text colour (0x00BBGGRR) the procedure chose for a static, a
    // group box or a check box; none: the system's.
    std::optional<std::uint32_t> color;
    // A static turned into a hyperlink (win32/hyperlink.h).
    bool link = false;
    // Where SetWindowPos put the control, in pixels of the client area;
    // none: its template's place.
    struct Place {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    };
    std::optional<Place> place;
    // What a Custom control last published of itself, for its class to
    // show (platform/control_classes.h).
    std::shared_ptr<const void> look;
};

// A rectangle in pixels, right and bottom outside it.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct DialogState {
    int templateId = 0;
    std::string title;
    int x = 0;  // pixels, on the work area
    int y = 0;
    int width = 0;
    int height = 0;
    BaseUnits units;  // of the font the backend draws the dialog in
    bool topmost = false;
    // How often SetWindowPos raised it (HWND_TOPMOST or HWND_NOTOPMOST),
    // so that a dialog made topmost and at once no longer still comes up.
    unsigned raised = 0;
    bool visible = true;  // a modeless dialog's ShowWindow
    bool resizable = false;
    int minWidth = 0;  // the least client size a resizable dialog takes
    int minHeight = 0;
    std::vector<ControlState> controls;
    // The control SetFocus gave the keyboard focus; none: the backend's
    // choice (the default button).
    std::optional<std::size_t> focus;
    // The dialog this one opens over: its owner when that is one of the
    // layer's dialogs, or for the active window's handle the latest shown
    // dialog of its thread; none without an owner (or the desktop's).
    const DialogState* owner = nullptr;
};

class DialogSession {
public:
    virtual ~DialogSession() = default;
    // The current state; refreshColors() asks the procedure for the colours
    // first, as drawing the statics would.
    virtual const DialogState& state() const = 0;
    virtual void refreshColors() = 0;
    // A click on the button (a check box toggles first): WM_COMMAND with
    // BN_CLICKED. Ignored for a control that is disabled or hidden.
    virtual void press(int id) = 0;
    // The user selects a row of a list: LBN_SELCHANGE / CBN_SELCHANGE; a
    // list view's row is selected without a notification.
    virtual void select(int id, int row) = 0;
    // The user resized a resizable dialog's client area: kept to its
    // least size, then WM_SIZE.
    virtual void resize(int width, int height) = 0;
    // The close box: WM_CLOSE; a procedure that leaves it presses Cancel.
    virtual void close() = 0;
    // Escape: the Cancel button (IDCANCEL) when the dialog has one, else
    // as the close box.
    virtual void cancel() = 0;
    // Hands the messages posted to the dialog to its procedure.
    virtual void deliverPosted() = 0;
    // Whether EndDialog has been called.
    virtual bool ended() const = 0;
};

}  // namespace platform::ui
