#include "dialog_window.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>

#include "combo_box_ex_messages.h"
#include "control_procedures.h"
#include "device_context.h"
#include "list_view_messages.h"
#include "progress_messages.h"
#include "thread_queues.h"
#include "text_view_messages.h"
#include "tree_view_messages.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "platform/win_error.h"
#include "win32/hyperlink.h"
#include "win32/process.h"
#include "win32/ui.h"

namespace platform::ui {

namespace {

// Handles are numbers, never pointers: a dialog's is a multiple of 0x400
// above 0x40000, its controls' follow it in steps of 4.
constexpr std::uintptr_t kFirstDialog = 0x40000;
constexpr std::uintptr_t kDialogStride = 0x400;
constexpr std::size_t kMostControls = kDialogStride / 4 - 1;

struct Handles {
    std::mutex mutex;
    std::uintptr_t next = kFirstDialog;
    std::map<std::uintptr_t, WindowTarget> windows;
};

Handles& handles() {
    static Handles h;
    return h;
}

HWND toHandle(std::uintptr_t value) { return reinterpret_cast<HWND>(value); }
std::uintptr_t valueOf(HWND handle) { return reinterpret_cast<std::uintptr_t>(handle); }

// The messages whose answer is the procedure's return value itself.
bool answersDirectly(UINT message) {
    return message == WM_INITDIALOG || message == WM_COMPAREITEM || message == WM_VKEYTOITEM ||
           message == WM_CHARTOITEM || message == WM_QUERYDRAGICON ||
           (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC);
}

std::string textIn(LPARAM text, bool wide) {
    if (!text) return {};
    if (wide) return text::toUtf8(reinterpret_cast<const char16_t*>(text));
    return text::ansiToUtf8(reinterpret_cast<const char*>(text));
}

// Copies the text, cut to fit with its terminator, into a buffer of
// `size` characters; the characters copied.
LRESULT copyText(const std::string& utf8, WPARAM size, LPARAM buffer, bool wide) {
    if (!buffer || size == 0) return 0;
    if (wide) {
        const auto t = text::fromUtf8(utf8);
        const std::size_t n = std::min<std::size_t>(t.size(), size - 1);
        std::copy_n(t.data(), n, reinterpret_cast<char16_t*>(buffer));
        reinterpret_cast<char16_t*>(buffer)[n] = 0;
        return static_cast<LRESULT>(n);
    }
    const auto t = text::utf8ToAnsi(utf8);
    const std::size_t n = std::min<std::size_t>(t.size(), size - 1);
    std::memcpy(reinterpret_cast<char*>(buffer), t.data(), n);
    reinterpret_cast<char*>(buffer)[n] = 0;
    return static_cast<LRESULT>(n);
}

LRESULT textLength(const std::string& utf8, bool wide) {
    return static_cast<LRESULT>(wide ? text::fromUtf8(utf8).size() : text::utf8ToAnsi(utf8).size());
}

bool isButton(ControlKind kind) {
    return kind == ControlKind::Button || kind == ControlKind::DefaultButton || kind == ControlKind::CheckBox;
}
bool drawnAsStatic(ControlKind kind) {
    return kind == ControlKind::Static || kind == ControlKind::GroupBox || kind == ControlKind::CheckBox;
}

// LB_ / CB_ messages on a list of the same kind; nothing for another.
std::optional<LRESULT> listAnswer(ControlState& c, UINT message, WPARAM wParam, LPARAM lParam, bool wide) {
    const bool listBox = c.control.kind == ControlKind::ListBox;
    const bool dropDown = dropsDown(c.control.kind);
    const auto count = static_cast<LRESULT>(c.items.size());
    if ((listBox && message == LB_ADDSTRING) || (dropDown && message == CB_ADDSTRING)) {
        c.items.push_back(textIn(lParam, wide));
        return count;
    }
    if ((listBox && message == LB_SETCURSEL) || (dropDown && message == CB_SETCURSEL)) {
        const auto row = static_cast<LRESULT>(static_cast<int>(wParam));
        c.selection = row >= 0 && row < count ? static_cast<int>(row) : -1;
        return c.selection >= 0 ? row : LB_ERR;
    }
    if ((listBox && message == LB_GETCURSEL) || (dropDown && message == CB_GETCURSEL)) return c.selection;
    if ((listBox && message == LB_GETCOUNT) || (dropDown && message == CB_GETCOUNT)) return count;
    return std::nullopt;
}

// The state of the dialog a new one of the thread opens over (see
// DialogState::owner); handles grow, so the latest dialog has the highest.
const DialogState* ownerState(const Handles& h, HWND owner, DWORD thread) {
    if (!owner) return nullptr;
    if (owner == GetActiveWindow()) {
        for (auto it = h.windows.rbegin(); it != h.windows.rend(); ++it) {
            const WindowTarget& t = it->second;
            if (!t.control && t.thread == thread && !t.dialog->isPlain() && t.dialog->state().visible)
                return &t.dialog->state();
        }
        return nullptr;
    }
    const auto found = h.windows.find(valueOf(owner));
    return found != h.windows.end() && !found->second.control ? &found->second.dialog->state() : nullptr;
}

}  // namespace

DialogWindow::DialogWindow(std::shared_ptr<const DialogTemplate> dialog, HWND owner, DLGPROC procedure,
                           bool wide)
    : m_template(std::move(dialog)),
      m_owner(owner),
      m_procedure(procedure),
      m_wide(wide),
      m_thread(GetCurrentThreadId()) {
    if (m_template->controls.size() > kMostControls)
        throw WinError(ERROR_INVALID_PARAMETER, "a dialog template with too many controls");
    m_state.templateId = m_template->id;
    m_state.title = m_template->title;
    m_state.units = backend().dialogBaseUnits();
    m_state.width = m_state.units.pixelsX(m_template->cx);
    m_state.height = m_state.units.pixelsY(m_template->cy);
    m_state.visible = m_template->visible;
    m_state.resizable = m_template->resizable;
    for (const auto& control : m_template->controls) m_state.controls.push_back(ControlState{control});
    auto& h = handles();
    std::lock_guard lock(h.mutex);
    m_state.owner = ownerState(h, owner, m_thread);
    const std::uintptr_t base = h.next;
    h.next += kDialogStride;
    m_handle = toHandle(base);
    h.windows[base] = {this, std::nullopt, m_thread};
    for (std::size_t i = 0; i < m_state.controls.size(); ++i) h.windows[base + 4 * (i + 1)] = {this, i, m_thread};
}

DialogWindow::~DialogWindow() {
    queues::forgetWindow(m_handle);
    auto& h = handles();
    std::lock_guard lock(h.mutex);
    const std::uintptr_t base = valueOf(m_handle);
    for (std::size_t i = 0; i <= m_state.controls.size(); ++i) h.windows.erase(base + 4 * i);
}

HWND DialogWindow::controlHandle(std::size_t index) const { return toHandle(valueOf(m_handle) + 4 * (index + 1)); }

std::optional<std::size_t> DialogWindow::indexOf(int id) const {
    for (std::size_t i = 0; i < m_state.controls.size(); ++i)
        if (m_state.controls[i].control.id == id) return i;
    return std::nullopt;
}

void DialogWindow::initialise(LPARAM initParam) {
    std::size_t focus = 0;
    for (std::size_t i = 0; i < m_state.controls.size(); ++i)
        if (m_state.controls[i].control.style & WS_TABSTOP) {
            focus = i;
            break;
        }
    for (std::size_t i = 0; i < m_state.controls.size(); ++i)
        if (m_state.controls[i].control.kind == ControlKind::Custom)
            sendToControl(i, WM_CREATE, 0, reinterpret_cast<LPARAM>(&m_state.controls[i].control), true);
    if (m_state.resizable) askLeastSize();
    const HWND focusHandle = m_state.controls.empty() ? nullptr : controlHandle(focus);
    sendToDialog(WM_INITDIALOG, reinterpret_cast<WPARAM>(focusHandle), initParam);
    deliverPosted();
}

void DialogWindow::destroy() {
    sendToDialog(WM_DESTROY, 0, 0);
    for (std::size_t i = 0; i < m_state.controls.size(); ++i)
        if (m_state.controls[i].control.kind == ControlKind::Custom) sendToControl(i, WM_DESTROY, 0, 0, true);
    sendToDialog(WM_NCDESTROY, 0, 0);
}

INT_PTR DialogWindow::run(LPARAM initParam) {
    m_state.visible = true;
    try {
        initialise(initParam);
        if (!m_ended) backend().runDialog(*this);
    } catch (...) {
        destroy();
        throw;
    }
    destroy();
    return m_result;
}

LRESULT DialogWindow::sendToDialog(UINT message, WPARAM wParam, LPARAM lParam, bool wide) {
    m_messageResult = 0;
    const INT_PTR answer = m_procedure(m_handle, message, wParam, lParam);
    if (answersDirectly(message)) return answer;
    if (answer) return m_messageResult;
    return defaultAnswer(message, wParam, lParam, wide);
}

LRESULT DialogWindow::defaultAnswer(UINT message, WPARAM wParam, LPARAM lParam, bool wide) {
    switch (message) {
    case WM_SETTEXT: m_state.title = textIn(lParam, wide); return TRUE;
    case WM_GETTEXT: return copyText(m_state.title, wParam, lParam, wide);
    case WM_GETTEXTLENGTH: return textLength(m_state.title, wide);
    case WM_CLOSE: pressCancel(); return 0;
    default: return 0;
    }
}

LRESULT DialogWindow::sendToControl(std::size_t index, UINT message, WPARAM wParam, LPARAM lParam, bool wide) {
    auto& c = m_state.controls.at(index);
    if (c.control.kind == ControlKind::Custom && message != WM_GETTEXT && message != WM_GETTEXTLENGTH) {
        const std::u16string text = message == WM_SETTEXT ? text::fromUtf8(textIn(lParam, wide)) : std::u16string();
        const ControlProcedure procedure = controlProcedureOf(c.control.className);
        if (const auto answer = procedure(controlHandle(index), message, wParam,
                                          message == WM_SETTEXT ? reinterpret_cast<LPARAM>(text.c_str()) : lParam))
            return *answer;
    }
    switch (message) {
    case WM_SETTEXT: c.control.text = textIn(lParam, wide); return TRUE;
    case WM_GETTEXT: return copyText(c.control.text, wParam, lParam, wide);
    case WM_GETTEXTLENGTH: return textLength(c.control.text, wide);
    case BM_GETCHECK: return isButton(c.control.kind) && c.checked ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK:
        if (c.control.kind == ControlKind::CheckBox) c.checked = wParam == BST_CHECKED;
        return 0;
    default: break;
    }
    if (c.control.kind == ControlKind::ComboBoxEx)
        if (const auto answer = comboBoxExAnswer(c, message, lParam, textIn)) return *answer;
    if (showsRows(c.control.kind))
        if (const auto answer = listAnswer(c, message, wParam, lParam, wide)) return *answer;
    if (c.control.kind == ControlKind::TreeView)
        if (const auto answer = treeViewAnswer(c.treeItems, message, wParam, lParam, textIn)) return *answer;
    if (c.control.kind == ControlKind::TextView)
        if (const auto answer = textViewAnswer(c, message, wParam, lParam, wide, textIn)) return *answer;
    if (c.control.kind == ControlKind::ProgressBar)
        if (const auto answer = progressAnswer(c, message, wParam, lParam)) return *answer;
    if (c.control.kind == ControlKind::ListView)
        if (const auto answer = listViewAnswer(c, message, wParam, lParam, textIn)) return *answer;
    return 0;
}

void DialogWindow::changed() {
    if (m_shownModeless) backend().updateModeless(*this);
}

void DialogWindow::end(INT_PTR result) {
    m_ended = true;
    m_result = result;
}

LONG_PTR DialogWindow::setMessageResult(LONG_PTR value) { return std::exchange(m_messageResult, value); }

void DialogWindow::refreshColors() {
    for (std::size_t i = 0; i < m_state.controls.size(); ++i) {
        auto& c = m_state.controls[i];
        if (!drawnAsStatic(c.control.kind)) continue;
        DeviceContext context;
        const LRESULT brush = sendToDialog(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(context.handle()),
                                           reinterpret_cast<LPARAM>(controlHandle(i)));
        c.color = c.link ? kHyperlinkColor : brush ? context.textColor() : std::nullopt;
    }
}

void DialogWindow::press(int id) {
    const auto index = indexOf(id);
    if (!index) return;
    auto& c = m_state.controls[*index];
    if (!c.enabled || !c.visible || !takesClicks(c.control)) return;
    if (c.control.kind == ControlKind::CheckBox) c.checked = !c.checked;
    // BN_CLICKED and STN_CLICKED are the same 0.
    sendToDialog(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                 reinterpret_cast<LPARAM>(controlHandle(*index)));
}

void DialogWindow::select(int id, int row) {
    const auto index = indexOf(id);
    if (!index) return;
    auto& c = m_state.controls[*index];
    const bool listView = c.control.kind == ControlKind::ListView;
    if (!c.enabled || !c.visible || !takesRowSelection(c.control.kind) || row < 0 ||
        static_cast<std::size_t>(row) >= (listView ? c.rows.size() : c.items.size()))
        return;
    c.selection = row;
    if (listView) return;
    sendToDialog(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(controlHandle(*index)));
}

// The least size the procedure allows (WM_GETMINMAXINFO's minimum track
// size), never more than the dialog's own.
void DialogWindow::askLeastSize() {
    MINMAXINFO limits{};
    sendToDialog(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    m_state.minWidth = std::clamp<int>(limits.ptMinTrackSize.x, 0, m_state.width);
    m_state.minHeight = std::clamp<int>(limits.ptMinTrackSize.y, 0, m_state.height);
}

void DialogWindow::resize(int width, int height) {
    if (!m_state.resizable) return;
    m_state.width = std::clamp(width, m_state.minWidth, 0x7FFF);
    m_state.height = std::clamp(height, m_state.minHeight, 0x7FFF);
    sendToDialog(WM_SIZE, SIZE_RESTORED,
                 MAKELPARAM(static_cast<WORD>(m_state.width), static_cast<WORD>(m_state.height)));
}

void DialogWindow::close() { sendToDialog(WM_CLOSE, 0, 0); }

// As the Cancel button, when the dialog has one it may press.
void DialogWindow::pressCancel() {
    const auto cancel = indexOf(IDCANCEL);
    if (cancel && !m_state.controls[*cancel].enabled) return;
    sendToDialog(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 cancel ? reinterpret_cast<LPARAM>(controlHandle(*cancel)) : 0);
}

void DialogWindow::cancel() {
    if (indexOf(IDCANCEL))
        pressCancel();
    else
        close();
}

// Every message posted to the thread is handed over, whichever of its
// windows it is for, until the dialog has ended.
void DialogWindow::deliverPosted() {
    queues::dispatchPending([this] { return m_ended; });
}

WindowTarget windowOf(HWND handle) {
    auto& h = handles();
    std::lock_guard lock(h.mutex);
    const auto found = h.windows.find(valueOf(handle));
    if (found == h.windows.end()) throw WinError(ERROR_INVALID_WINDOW_HANDLE, "not a window of this process");
    return found->second;
}

std::vector<HWND> topLevelWindows() {
    auto& h = handles();
    std::lock_guard lock(h.mutex);
    std::vector<HWND> found;
    for (const auto& [value, target] : h.windows)
        if (!target.control) found.push_back(toHandle(value));
    return found;
}

const DialogState* dialogOpenedOver(HWND owner) {
    auto& h = handles();
    std::lock_guard lock(h.mutex);
    return ownerState(h, owner, GetCurrentThreadId());
}

bool isDialog(HWND handle) {
    auto& h = handles();
    std::lock_guard lock(h.mutex);
    const auto found = h.windows.find(valueOf(handle));
    return found != h.windows.end() && !found->second.control;
}

}  // namespace platform::ui
