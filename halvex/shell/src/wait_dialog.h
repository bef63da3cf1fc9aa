// The wait dialog of the update step: the busy window's dialog with a text
// of the string table, shown while the object lives.
#pragma once

#include "win32/types.h"

namespace halvex {

class WaitDialog {
public:
    explicit WaitDialog(UINT textId);
    ~WaitDialog();
    WaitDialog(const WaitDialog&) = delete;
    WaitDialog& operator=(const WaitDialog&) = delete;

private:
    HWND m_window = nullptr;
};

}  // namespace halvex
