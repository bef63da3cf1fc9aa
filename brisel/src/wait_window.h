// The small window without a frame that tells the user the plug-in is
// working, up for the life of the object. A window that cannot be shown
// is no failure of the work it announces.
#pragma once

#include <string_view>

#include "win32/types.h"

namespace brisel {

class WaitWindow {
public:
    explicit WaitWindow(std::string_view text);  // UTF-8
    ~WaitWindow();
    WaitWindow(const WaitWindow&) = delete;
    WaitWindow& operator=(const WaitWindow&) = delete;

private:
    HWND m_window;
};

}  // namespace brisel
