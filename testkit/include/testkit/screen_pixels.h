// What a screenshot shows in pixels, for window tests whose subject has no
// text to read: a region of a window, the pixels in it near a colour (a
// bar's fill, a link's dark blue) and the pixels in which two shots differ
// (an underline coming, a focus ring moving). Xvfb::screenshotShowing
// retakes a shot until such a check finds what it waits for.
#pragma once

#include <filesystem>
#include <string>

namespace testkit {

// A rectangle of the screen in pixels.
struct ScreenRegion {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    // ImageMagick's geometry, "WxH+X+Y" (an offset left of or above the
    // screen negative).
    std::string geometry() const;
    // The part from `left`, `top` (within this region) of that size.
    ScreenRegion part(int left, int top, int partWidth, int partHeight) const;
};

// Where the X window (an id) stands on the current display; empty (no
// width) when xdotool cannot say.
ScreenRegion windowRegion(const std::string& window);

// The pixels of the shot within the region whose colour is within `fuzz`
// per cent of `colour` ("#0000C0") in each channel (none where the region
// leaves the shot); -1 when the region is empty or ImageMagick fails.
int pixelsNear(const std::filesystem::path& shot, const std::string& colour, const ScreenRegion& region,
               int fuzz = 10);

// The pixels in which the two shots differ (by more than `fuzz` per cent in
// a channel) within the region; -1 when the region is empty or ImageMagick
// fails.
int differentPixels(const std::filesystem::path& a, const std::filesystem::path& b, const ScreenRegion& region,
                    int fuzz = 0);

// Moves the pointer to x, y of the X window (an id), or of the screen when
// window is empty (a test failure when xdotool cannot).
void pointerTo(const std::string& window, int x, int y);

}  // namespace testkit
