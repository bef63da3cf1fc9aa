// The procedures of the registered control classes, for the dialogs.
#pragma once

#include <string>

#include "platform/control_classes.h"

namespace platform::ui {

// Null for a class nobody registered.
ControlProcedure controlProcedureOf(const std::string& className);

}  // namespace platform::ui
