// LoadCursorA/W and SetCursor: the layer keeps the process's cursor and the
// backend shows it.
#include <array>
#include <cstdint>
#include <mutex>

#include "platform/boundary.h"
#include "platform/ui.h"
#include "platform/win_error.h"
#include "win32/ui.h"

namespace platform::ui {

namespace {

struct SystemCursor {
    WORD id;
    HCURSOR handle;
    Cursor shown;
};

// Fixed, non-null and never a pointer, like the window pseudo handles.
const std::array<SystemCursor, 2> kSystemCursors{{
    {IDC_ARROW_ID, reinterpret_cast<HCURSOR>(std::uintptr_t{0x10003}), Cursor::Arrow},
    {IDC_WAIT_ID, reinterpret_cast<HCURSOR>(std::uintptr_t{0x10007}), Cursor::Wait},
}};

template <class Char>
HCURSOR load(HINSTANCE module, const Char* name) {
    if (module) throw WinError(ERROR_RESOURCE_TYPE_NOT_FOUND, "modules carry no cursors");
    if (IS_INTRESOURCE(name)) {
        const auto id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
        for (const auto& cursor : kSystemCursors)
            if (cursor.id == id) return cursor.handle;
    }
    throw WinError(ERROR_RESOURCE_NAME_NOT_FOUND, "not a system cursor");
}

Cursor shownBy(HCURSOR handle) {
    if (!handle) return Cursor::Hidden;
    for (const auto& cursor : kSystemCursors)
        if (cursor.handle == handle) return cursor.shown;
    throw WinError(ERROR_INVALID_CURSOR_HANDLE, "not a cursor of LoadCursor");
}

std::mutex g_mutex;
HCURSOR g_current = kSystemCursors[0].handle;

HCURSOR set(HCURSOR handle) {
    const Cursor shown = shownBy(handle);
    std::lock_guard lock(g_mutex);
    backend().showCursor(shown);
    const HCURSOR previous = g_current;
    g_current = handle;
    return previous;
}

}  // namespace

}  // namespace platform::ui

HCURSOR LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName) noexcept {
    return platform::winValue(HCURSOR{}, [&] { return platform::ui::load(hInstance, lpCursorName); });
}

HCURSOR LoadCursorW(HINSTANCE hInstance, LPCWSTR lpCursorName) noexcept {
    return platform::winValue(HCURSOR{}, [&] { return platform::ui::load(hInstance, lpCursorName); });
}

HCURSOR SetCursor(HCURSOR hCursor) noexcept {
    return platform::winValue(HCURSOR{}, [&] { return platform::ui::set(hCursor); });
}
