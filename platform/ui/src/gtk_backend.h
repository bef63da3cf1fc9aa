// The GTK 4 backend: real windows on the display.
#pragma once

#include <memory>

#include "platform/ui.h"

namespace platform::ui::gtk {

// GTK itself is started by the first window shown, not here.
std::unique_ptr<Backend> makeBackend();

}  // namespace platform::ui::gtk
