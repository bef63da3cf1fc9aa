// MessageBoxA/W: the box is laid out here from the MB_ flags, with the
// Windows rules, and shown by the backend.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/boundary.h"
#include "platform/owner_window.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "win32/ui.h"

namespace platform::ui {

namespace {

std::vector<int> buttonsOf(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OK: return {IDOK};
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: throw WinError(ERROR_INVALID_MSGBOX_STYLE, "unknown button set");
    }
}

Icon iconOf(UINT type) {
    switch (type & MB_ICONMASK) {
    case 0: return Icon::None;
    case MB_ICONHAND: return Icon::Error;
    case MB_ICONQUESTION: return Icon::Question;
    case MB_ICONEXCLAMATION: return Icon::Warning;
    case MB_ICONASTERISK: return Icon::Information;
    default: throw WinError(ERROR_INVALID_MSGBOX_STYLE, "unknown icon");
    }
}

// Closing the box presses Cancel, or OK when OK is the only button; a box
// with neither choice cannot be closed.
std::optional<int> closeResultOf(const std::vector<int>& buttons) {
    if (std::find(buttons.begin(), buttons.end(), IDCANCEL) != buttons.end()) return IDCANCEL;
    if (buttons == std::vector<int>{IDOK}) return IDOK;
    return std::nullopt;
}

int showBox(HWND owner, std::string text, std::string caption, UINT type) {
    checkOwner(owner);
    MessageBoxRequest request{std::move(text), std::move(caption), iconOf(type), buttonsOf(type)};
    const std::size_t wanted = (type & MB_DEFMASK) >> 8;
    request.defaultButton = wanted < request.buttons.size() ? wanted : 0;
    const auto closeResult = closeResultOf(request.buttons);
    request.closable = closeResult.has_value();
    const int result = backend().messageBox(request);
    if (result != kBoxClosed) return result;
    if (!closeResult) throw WinError(ERROR_INTERNAL_ERROR, "a box without Cancel or OK was closed");
    return *closeResult;
}

}  // namespace

}  // namespace platform::ui

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) noexcept {
    using namespace platform;
    return winValue(0, [&] {
        return ui::showBox(hWnd, lpText ? text::ansiToUtf8(lpText) : std::string(),
                           lpCaption ? text::ansiToUtf8(lpCaption) : std::string("Error"), uType);
    });
}

int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) noexcept {
    using namespace platform;
    return winValue(0, [&] {
        return ui::showBox(hWnd, lpText ? text::toUtf8(lpText) : std::string(),
                           lpCaption ? text::toUtf8(lpCaption) : std::string("Error"), uType);
    });
}
