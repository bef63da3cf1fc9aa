// The device context a WM_CTLCOLORSTATIC hands the dialog procedure: it
// records the text colour and background mode the procedure sets while
// the message is answered (SetTextColor, SetBkMode).
#pragma once

#include <cstdint>
#include <optional>

#include "win32/dialogs.h"

namespace platform::ui {

class DeviceContext {
public:
    // Current for the calling thread until destroyed.
    DeviceContext();
    ~DeviceContext();
    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;

    HDC handle() const;
    // The colour set, if any.
    std::optional<std::uint32_t> textColor() const { return m_textColor; }

    // The context of that handle current on this thread, or null.
    static DeviceContext* find(HDC hdc);

    COLORREF setTextColor(COLORREF color);
    int setBkMode(int mode);

private:
    DeviceContext* m_previous;
    std::optional<std::uint32_t> m_textColor;
    int m_bkMode = OPAQUE;
};

}  // namespace platform::ui
