// What a screenshot shows in pixels, for window tests whose subject has no
// text to read: the pixels near a colour (a link's), and the pixels in
// which two shots differ (an underline coming, a focus ring moving), each
// within a region of the screen.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace testkit {

// A rectangle of the screen in pixels.
struct ScreenRegion {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    // ImageMagick's geometry, "WxH+X+Y".
    std::string geometry() const;
    // The part from `left`, `top` (within this region) of that size.
    ScreenRegion part(int left, int top, int partWidth, int partHeight) const;
};

// Where the X window (an id) stands on the current display; empty when
// xdotool cannot say.
ScreenRegion windowRegion(const std::string& window);

// A screenshot of the current display, artifactsDir()/<name>.png (a test
// failure when none can be taken).
std::filesystem::path screenShot(const std::string& name);
// Screenshots taken until `shows` accepts one, for at most `limit`: the
// last one.
std::filesystem::path shotUntil(const std::string& name, const std::function<bool(const std::filesystem::path&)>& shows,
                                std::chrono::milliseconds limit = std::chrono::seconds(10));

// Moves the pointer to x, y of the X window (an id), or of the screen when
// window is empty (a test failure when xdotool cannot).
void pointerTo(const std::string& window, int x, int y);

// The pixels of the shot within the region whose colour is within `fuzz`
// per cent of `colour` ("#0000C0"); -1 when ImageMagick fails.
int pixelsNear(const std::filesystem::path& shot, const std::string& colour, const ScreenRegion& region,
               int fuzz = 15);

// The pixels in which the two shots differ (by more than `fuzz` per cent)
// within the region; -1 when ImageMagick fails.
int differentPixels(const std::filesystem::path& a, const std::filesystem::path& b, const ScreenRegion& region,
                    int fuzz = 0);

}  // namespace testkit
