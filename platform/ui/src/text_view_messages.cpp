#include "text_view_messages.h"

#include "platform/ui.h"
#include "win32/error.h"

namespace platform::ui {

std::optional<LRESULT> textViewAnswer(ControlState& view, UINT message, WPARAM wParam, LPARAM lParam, bool wide,
                                      const std::function<std::string(LPARAM text, bool wide)>& textOf) {
    switch (message) {
    case TXM_SETZOOM:
        if (wParam < TXV_MINZOOM || wParam > TXV_MAXZOOM) return FALSE;
        view.zoom = static_cast<int>(wParam);
        return TRUE;
    case TXM_GETZOOM: return view.zoom;
    case TXM_PRINT: {
        const auto copies = backend().printText({textOf(lParam, wide), view.control.text});
        if (!copies) SetLastError(ERROR_SUCCESS);
        return copies.value_or(0);
    }
    default: return std::nullopt;
    }
}

}  // namespace platform::ui
