// An X server of its own for a GUI test: Xvfb on a display number it finds
// free itself, local connections only, one 1280x1024x24 screen. DISPLAY
// points at it for the life of the object and is restored afterwards.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "testkit/process.h"
#include "testkit/sanitize_build.h"
#include "testkit/screen_pixels.h"

namespace testkit {

// A rectangle of a window, in the window's own pixels from its top left
// corner (right and bottom outside it), at least `share` of whose pixels
// show the colour (#RRGGBB, near it as pixelsNear counts): a bar's fill, a
// link's colour, a selected row. `what` names it in a failure.
struct Pixels {
    std::string what;
    int left = 0, top = 0, right = 0, bottom = 0;
    std::string colour;
    double share = 1.0;
};

// A colour of the layer (a COLORREF, 0x00BBGGRR) as Pixels names it.
std::string colourName(std::uint32_t colorref);

// A screenshot to be taken of a window once it shows the texts (read as
// Xvfb::screenshotShowing reads them): artifactsDir()/<name>.png, or a
// shot the next one overwrites when it has no name (a screen user's).
struct Shot {
    std::string name;
    std::vector<std::string> texts;
};

// How long a window may take to show its subject on a loaded machine.
inline constexpr std::chrono::milliseconds kShowingLimit = std::chrono::seconds(30);

// What a screenshot of a window lacks of the subject it must show, given
// the shot and where the window stands on the screen (windowRegion); empty
// once it shows it all.
using Unshown = std::function<std::string(const std::filesystem::path& shot, const ScreenRegion& window)>;

class Xvfb {
public:
    // Throws std::runtime_error when the server is not ready within 10 s.
    Xvfb();
    ~Xvfb();
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    const std::string& display() const noexcept { return m_display; }
    // A PNG of the whole screen, artifactsDir()/<name>.png; returns its path
    // or throws std::runtime_error. A raw shot, to compare with one whose
    // subject was checked below.
    std::filesystem::path screenshot(const std::string& name) const;
    // A screenshot (as `screenshot` takes it) once the window (an X id)
    // shows its subject: `unshown` finds nothing lacking in it. Taken again
    // until then, at most `limit`; throws std::runtime_error naming the
    // shot and what the last one lacked.
    std::filesystem::path screenshotShowing(const std::string& name, const std::string& window,
                                            const Unshown& unshown,
                                            std::chrono::milliseconds limit = kShowingLimit) const;
    // The same for a window that must show every one of the texts: the
    // window's rectangle cut out, scaled up and read by Tesseract (Czech),
    // the texts found as screen_text.h says; a failure names the text not
    // read and what was read.
    std::filesystem::path screenshotShowing(const std::string& name, const std::string& window,
                                            const std::vector<std::string>& texts,
                                            std::chrono::milliseconds limit = kShowingLimit) const;
    // The same for a subject without text: each rectangle of the window
    // holds its colour in at least its share of pixels.
    std::filesystem::path screenshotShowing(const std::string& name, const std::string& window,
                                            const std::vector<Pixels>& pixels,
                                            std::chrono::milliseconds limit = kShowingLimit) const;
    // Ends the server at once; its clients lose the display (GTK exits).
    // For a watchdog that must free a test waiting on a window.
    void kill();

private:
    Service m_server;
    std::string m_display;
    std::optional<std::string> m_previousDisplay;
};

// The X id of the first visible window of exactly that title on the
// current display, waiting up to `limit` for one; empty when none came. A
// window that goes while xdotool looks (a dialog closing) stops xdotool
// with an X error; it is simply asked again. The sanitize build waits
// three times as long by default, as its programs start so much slower.
std::string findWindow(const std::string& title, std::chrono::milliseconds limit = std::chrono::seconds(20) * kSlowdown);

}  // namespace testkit
