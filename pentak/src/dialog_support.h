// What the library's dialogs share: their texts in the UI layer's UTF-8,
// and the report of a window that cannot be shown.
#pragma once

#include <string>

#include "pentak_resource.h"
#include "platform/text.h"
#include "platform/win_error.h"
#include "win32/error.h"

// The message table's text of id in the current GUI language.
inline std::string DialogText(int id) { return platform::text::toUtf8(TPentakResource::Instance()->GetString(id)); }

// The end code of the dialog that ask() runs, or -1 with the thread's last
// error set when the UI cannot show it (no display, another thread's GTK).
template <class Ask>
int RunDialog(Ask&& ask) {
    try {
        return ask();
    } catch (const platform::WinError& e) {
        SetLastError(e.code());
        return -1;
    }
}
