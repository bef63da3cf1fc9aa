#include "preview_window.h"

#include <algorithm>
#include <string>

#include "platform/dialog_templates.h"
#include "platform/modules.h"
#include "platform/text.h"
#include "preview_zoom.h"
#include "text_conversion.h"
#include "win32/resources.h"
#include "win32/text_view.h"
#include "win32/ui.h"

namespace brisel {

namespace {

constexpr int kPreviewDialog = 4000;
constexpr int kPrintButton = 4002;
constexpr int kZoomInButton = 4003;
constexpr int kZoomOutButton = 4004;
constexpr int kActualSizeButton = 4005;
constexpr int kZoomField = 4006;
constexpr int kCloseButton = 8;
constexpr int kView = 9999;
constexpr char16_t kJobName[] = u"DocumentKyd";
// The view's place below the row of buttons, and the least client size.
constexpr int kViewLeft = -1;
constexpr int kViewTop = 34;
constexpr int kLeastWidth = 530;
constexpr int kLeastHeight = 150;
// The template's width and, in its dialog units, the right end of the row
// of buttons and where the zoom field stands.
constexpr int kTemplateWidth = 425;
constexpr int kCloseLeft = 249;
constexpr int kButtonWidth = 50;
constexpr int kFieldLeft = 388;
constexpr int kFieldWidth = 30;
constexpr int kButtonsEnd = kCloseLeft + kButtonWidth;
// Between the last button and the zoom field when the window is narrowest.
constexpr int kFieldGap = 7;

platform::ui::DialogTemplate previewTemplate() {
    using K = platform::ui::ControlKind;
    // The view, framed, fills the window below the row of buttons; the
    // window takes a sizing border.
    platform::ui::DialogTemplate preview{kPreviewDialog, kTemplateWidth, 300, "MS Shell Dlg", 8, "",
            {{kPrintButton, K::Button, "", 7, 3, kButtonWidth, 14, WS_TABSTOP},
             {kZoomOutButton, K::Button, "", 63, 3, kButtonWidth, 14, WS_TABSTOP},
             {kZoomInButton, K::Button, "", 117, 3, kButtonWidth, 14, WS_TABSTOP},
             {kActualSizeButton, K::Button, "", 171, 3, 71, 14, WS_TABSTOP},
             {kCloseButton, K::DefaultButton, "", kCloseLeft, 3, kButtonWidth, 14, WS_TABSTOP},
             {kZoomField, K::Edit, "", kFieldLeft, 3, kFieldWidth, 14, ES_READONLY | WS_BORDER},
             {kView, K::TextView, "", 0, 21, kTemplateWidth, 279, WS_TABSTOP | WS_BORDER}}};
    preview.resizable = true;
    return preview;
}

// What the window shows, handed over with WM_INITDIALOG.
struct Preview {
    std::u16string text;
    Language language;
};

LPCWSTR wide(const std::u16string& text) { return reinterpret_cast<LPCWSTR>(text.c_str()); }

void setText(HWND dialog, int id, std::string_view utf8) {
    SetDlgItemTextW(dialog, id, wide(platform::text::fromUtf8(utf8)));
}

// The zoom shown in the view and its field, and the buttons that can
// still step it.
void showZoom(HWND dialog, int zoom) {
    SendDlgItemMessageW(dialog, kView, TXM_SETZOOM, static_cast<WPARAM>(zoom), 0);
    setText(dialog, kZoomField, std::to_string(zoom) + "%");
    EnableWindow(GetDlgItem(dialog, kZoomOutButton), canZoomOut(zoom) ? TRUE : FALSE);
    EnableWindow(GetDlgItem(dialog, kZoomInButton), canZoomIn(zoom) ? TRUE : FALSE);
}

// A zoom outside the limits is refused with the warning sound.
void zoomTo(HWND dialog, int requested) {
    const auto accepted = acceptedZoom(requested);
    if (!accepted) {
        MessageBeep(MB_ICONHAND);
        return;
    }
    showZoom(dialog, *accepted);
}

int currentZoom(HWND dialog) {
    return static_cast<int>(SendDlgItemMessageW(dialog, kView, TXM_GETZOOM, 0, 0));
}

void initialise(HWND dialog, const Preview& preview) {
    const auto text = [&](Message message) { return messageText(message, preview.language); };
    SetWindowTextW(dialog, wide(platform::text::fromUtf8(text(Message::PreviewTitle))));
    setText(dialog, kPrintButton, text(Message::Print));
    setText(dialog, kZoomOutButton, text(Message::ZoomOut));
    setText(dialog, kZoomInButton, text(Message::ZoomIn));
    setText(dialog, kActualSizeButton, text(Message::ActualSize));
    setText(dialog, kCloseButton, text(Message::Close));
    EnableWindow(GetDlgItem(dialog, kZoomField), FALSE);
    SetDlgItemTextW(dialog, kView, wide(preview.text));
    showZoom(dialog, kStartZoom);
    // How far the zoom field stands from the right edge, kept as the
    // window is resized.
    RECT client{}, field{}, window{};
    GetClientRect(dialog, &client);
    GetWindowRect(dialog, &window);
    GetWindowRect(GetDlgItem(dialog, kZoomField), &field);
    SetWindowLongPtrW(dialog, DWLP_USER, client.right - (field.left - window.left));
}

// The zoom field at its distance from the right edge, the view below the
// buttons over the whole rest of the client area.
void layOut(HWND dialog, int width, int height) {
    const HWND field = GetDlgItem(dialog, kZoomField);
    RECT fieldRect{}, window{};
    GetWindowRect(dialog, &window);
    GetWindowRect(field, &fieldRect);
    const auto fromRight = static_cast<int>(GetWindowLongPtrW(dialog, DWLP_USER));
    SetWindowPos(field, nullptr, width - fromRight, fieldRect.top - window.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(GetDlgItem(dialog, kView), nullptr, kViewLeft, kViewTop, width, height - kViewTop,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

// 530 x 150 pixels, wider where the font the dialog is drawn in needs more
// for every button and, beside the last, the zoom field at its distance
// from the right edge.
POINT leastSize() {
    const int unitsX = LOWORD(static_cast<DWORD>(GetDialogBaseUnits()));
    const int needed = (kButtonsEnd + kFieldGap + kTemplateWidth - kFieldLeft) * unitsX / 4;
    return {std::max(kLeastWidth, needed), kLeastHeight};
}

INT_PTR previewProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        initialise(dialog, *reinterpret_cast<const Preview*>(lParam));
        return TRUE;
    }
    if (message == WM_GETMINMAXINFO) {
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = leastSize();
        return TRUE;
    }
    if (message == WM_SIZE) {
        layOut(dialog, LOWORD(static_cast<DWORD_PTR>(lParam)), HIWORD(static_cast<DWORD_PTR>(lParam)));
        return TRUE;
    }
    if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return FALSE;
    switch (LOWORD(wParam)) {
    case kPrintButton: SendDlgItemMessageW(dialog, kView, TXM_PRINT, 0, reinterpret_cast<LPARAM>(kJobName)); break;
    case kZoomInButton: zoomTo(dialog, currentZoom(dialog) + kZoomStep); break;
    case kZoomOutButton: zoomTo(dialog, currentZoom(dialog) - kZoomStep); break;
    case kActualSizeButton: zoomTo(dialog, kActualSize); break;
    case kCloseButton:
    case IDCANCEL: EndDialog(dialog, kCloseButton); break;
    default: return FALSE;
    }
    return TRUE;
}

}  // namespace

bool showPreview(std::span<const unsigned char> document, Language language) {
    if (document.empty()) return false;
    const auto text = previewText(document);
    if (!text) return false;
    const HINSTANCE module = platform::modules::thisModule();
    platform::ui::declareDialogTemplate(module, previewTemplate());
    const Preview preview{platform::text::fromUtf8(*text), language};
    return DialogBoxParamW(module, MAKEINTRESOURCEW(kPreviewDialog), nullptr, previewProcedure,
                           reinterpret_cast<LPARAM>(&preview)) != -1;
}

}  // namespace brisel
