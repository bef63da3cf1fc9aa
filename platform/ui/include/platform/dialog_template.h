// The dialogs of a module, declared as tables compiled into it: the
// layer's form of a DIALOG resource. Texts are UTF-8; positions and sizes
// are dialog units. Free of the Windows headers, so the GTK side can read
// them too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform::ui {

enum class ControlKind {
    Button,
    DefaultButton,  // pressed by Enter
    Static,
    GroupBox,
    CheckBox,
    Edit,
    ListBox,
    DropDownList,
    ComboBoxEx,  // "ComboBoxEx32", a drop-down list of items (win32/commctrl.h)
    RichEdit,  // needs the rich-edit library loaded ("RICHED32.DLL")
    TreeView,
    TextView,  // read-only plain text with zoom and printing (win32/text_view.h)
    ProgressBar,  // "msctls_progress32" (win32/commctrl.h)
    ListView,     // "SysListView32", rows of texts under columns (win32/commctrl.h)
    Custom,       // of a class the module registered (platform/control_classes.h)
};

// Style bits the layer honours beside the kind (win32/dialogs.h names
// them ES_MULTILINE, ES_READONLY, SS_RIGHT, SS_NOTIFY, SS_PATHELLIPSIS and
// WS_HSCROLL): a multi-line or read-only edit or rich edit, a
// right-aligned static, a static that tells its dialog when it is clicked,
// a static showing a path on one line, whose folders give way to "..."
// where it needs more room, the last name kept whole, an edit whose lines
// scroll sideways instead of wrapping (a single-line edit never wraps).
// Others are kept and ignored.
inline constexpr std::uint32_t kStyleMultiLine = 0x0004;
inline constexpr std::uint32_t kStyleHorizontalScroll = 0x00100000;
inline constexpr std::uint32_t kStyleReadOnly = 0x0800;
inline constexpr std::uint32_t kStyleRightAligned = 0x0002;
inline constexpr std::uint32_t kStyleNotify = 0x0100;
inline constexpr std::uint32_t kStylePathEllipsis = 0x8000;
inline constexpr std::uint32_t kStyleEllipsisMask = 0xC000;
// A text view framed by one pixel of the button-shadow colour (WS_BORDER).
inline constexpr std::uint32_t kStyleBorder = 0x00800000;
// A progress bar that runs a block to and fro instead of showing a position.
inline constexpr std::uint32_t kStyleMarquee = 0x0008;
// A control the Tab key stops at (WS_TABSTOP), in the template's order.
inline constexpr std::uint32_t kStyleTabStop = 0x00010000;
// A list view's extended style that shows its selected row whole
// (LVS_EX_FULLROWSELECT; GTK always does).
inline constexpr std::uint32_t kListViewFullRowSelect = 0x00000020;

struct ControlTemplate {
    int id = 0;
    ControlKind kind = ControlKind::Static;
    std::string text;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    std::uint32_t style = 0;
    std::string className;  // a Custom control's
};

// Whether the control is a static that shows a path (kStylePathEllipsis).
inline bool showsPath(const ControlTemplate& t) {
    return t.kind == ControlKind::Static && (t.style & kStyleEllipsisMask) == kStylePathEllipsis;
}

// Whether a click on the control reaches its dialog as WM_COMMAND: buttons,
// check boxes and notifying statics (the notification is 0 for each).
inline bool takesClicks(const ControlTemplate& t) {
    return t.kind == ControlKind::Button || t.kind == ControlKind::DefaultButton ||
           t.kind == ControlKind::CheckBox || (t.kind == ControlKind::Static && (t.style & kStyleNotify));
}

// Whether the control shows rows the user selects from: list boxes,
// drop-down lists and extended combo boxes.
inline bool showsRows(ControlKind kind) {
    return kind == ControlKind::ListBox || kind == ControlKind::DropDownList || kind == ControlKind::ComboBoxEx;
}

// Whether the user selects a row of the control: those that show rows,
// and list views.
inline bool takesRowSelection(ControlKind kind) { return showsRows(kind) || kind == ControlKind::ListView; }

// Whether the control is a drop-down list, one line high while closed.
inline bool dropsDown(ControlKind kind) {
    return kind == ControlKind::DropDownList || kind == ControlKind::ComboBoxEx;
}

struct DialogTemplate {
    int id = 0;
    int cx = 0;
    int cy = 0;
    std::string font = "MS Sans Serif";
    int pointSize = 8;
    std::string title;
    std::vector<ControlTemplate> controls;
    // A modeless dialog is shown at once (WS_VISIBLE), else only by
    // ShowWindow.
    bool visible = true;
    // A sizing border (WS_THICKFRAME): the user resizes a modal dialog,
    // its procedure hearing WM_GETMINMAXINFO and WM_SIZE (win32/dialogs.h).
    bool resizable = false;
};

// The pixels of a dialog's base units: the average character width of the
// font the dialog is drawn in (over the Latin alphabet) and that font's
// character height. A dialog unit is a quarter of the one and an eighth of
// the other, so a template scales as a whole with its font. The defaults
// are those of the template fonts at 96 dots per inch.
struct BaseUnits {
    int x = 6;
    int y = 13;
    int pixelsX(int dialogUnits) const { return dialogUnits * x / 4; }
    int pixelsY(int dialogUnits) const { return dialogUnits * y / 8; }
};

inline int pixelsX(int dialogUnits) { return BaseUnits{}.pixelsX(dialogUnits); }
inline int pixelsY(int dialogUnits) { return BaseUnits{}.pixelsY(dialogUnits); }

}  // namespace platform::ui
