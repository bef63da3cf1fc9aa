// The looks of the registered control classes, for the backends. Free of
// the Windows headers.
#pragma once

#include <string>

#include "platform/control_looks.h"

namespace platform::ui {

// Null for a class nobody registered.
const ControlLook* controlLookOf(const std::string& className);

}  // namespace platform::ui
