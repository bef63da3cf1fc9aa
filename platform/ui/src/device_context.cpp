// Device contexts of the colour messages, and the system palette.
#include "device_context.h"

#include <utility>

#include "system_palette.h"

namespace platform::ui {

namespace {

thread_local DeviceContext* t_current = nullptr;

// One handle per nesting depth would be needless: a context is current
// only while its message is answered, and it is the innermost one.
HDC const kContextHandle = reinterpret_cast<HDC>(std::uintptr_t{0x50010});

constexpr int kPaletteSize = 31;

}  // namespace

DeviceContext::DeviceContext() : m_previous(t_current) { t_current = this; }
DeviceContext::~DeviceContext() { t_current = m_previous; }

HDC DeviceContext::handle() const { return kContextHandle; }

DeviceContext* DeviceContext::find(HDC hdc) { return hdc == kContextHandle ? t_current : nullptr; }

COLORREF DeviceContext::setTextColor(COLORREF color) {
    const COLORREF before = m_textColor.value_or(palette::kBlack);
    m_textColor = color;
    return before;
}

int DeviceContext::setBkMode(int mode) { return std::exchange(m_bkMode, mode); }

}  // namespace platform::ui

COLORREF SetTextColor(HDC hdc, COLORREF color) noexcept {
    auto* context = platform::ui::DeviceContext::find(hdc);
    return context ? context->setTextColor(color) : CLR_INVALID;
}

int SetBkMode(HDC hdc, int mode) noexcept {
    auto* context = platform::ui::DeviceContext::find(hdc);
    if (!context || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    return context->setBkMode(mode);
}

DWORD GetSysColor(int nIndex) noexcept {
    switch (nIndex) {
    case COLOR_BTNFACE: return platform::ui::palette::kButtonFace;
    case COLOR_BTNSHADOW: return platform::ui::palette::kButtonShadow;
    case COLOR_WINDOW: return platform::ui::palette::kWindow;
    case COLOR_HIGHLIGHT: return platform::ui::palette::kHighlight;
    default: return platform::ui::palette::kBlack;
    }
}

HBRUSH GetSysColorBrush(int nIndex) noexcept {
    if (nIndex < 0 || nIndex >= platform::ui::kPaletteSize) return nullptr;
    return reinterpret_cast<HBRUSH>(std::uintptr_t{0x50100} + static_cast<std::uintptr_t>(nIndex) * 4);
}
