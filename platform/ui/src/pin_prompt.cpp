// Backends made for other questions (tests' fakes) have no PIN prompt.
#include "platform/ui.h"
#include "platform/win_error.h"

namespace platform::ui {

std::optional<std::string> Backend::askPin(const PinRequest&) {
    throw WinError(ERROR_NOT_SUPPORTED, "this UI backend cannot ask for a PIN");
}

}  // namespace platform::ui
