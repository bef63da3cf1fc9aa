// The zoom of the preview window: where it starts, the steps its buttons
// ask for, the values it accepts and when each button can be pressed.
#pragma once

#include <optional>

namespace brisel {

inline constexpr int kStartZoom = 60;
inline constexpr int kActualSize = 100;
inline constexpr int kZoomStep = 10;

// The zoom asked for, when the preview accepts it (10 to 400 percent);
// nothing for a value it refuses, the zoom then staying as it was.
std::optional<int> acceptedZoom(int requested);

// Whether the buttons stay enabled at a zoom: one more step must still
// leave room before the limit.
bool canZoomOut(int zoom);
bool canZoomIn(int zoom);

}  // namespace brisel
