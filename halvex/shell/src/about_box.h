// The About box: the program's name and version over an OK button.
#pragma once

namespace halvex {

// Shows the box modally until OK, Escape or its close button; false when
// it could not be shown (logged).
bool ShowAboutBox();

}  // namespace halvex
