// An X server of its own for a GUI test: Xvfb on a display number it finds
// free itself, local connections only, one 1280x1024x24 screen. DISPLAY
// points at it for the life of the object and is restored afterwards.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "testkit/process.h"

namespace testkit {

class Xvfb {
public:
    // Throws std::runtime_error when the server is not ready within 10 s.
    Xvfb();
    ~Xvfb();
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    const std::string& display() const noexcept { return m_display; }
    // A PNG of the whole screen, artifactsDir()/<name>.png; returns its path
    // or throws std::runtime_error.
    std::filesystem::path screenshot(const std::string& name) const;
    // A screenshot taken once the window (an X id) shows more than one
    // colour in its body, the middle of its height (a sixth off at the top,
    // where a title or a tool bar is, and at the bottom): taken again until
    // then, at most `limit`; throws std::runtime_error when it stays empty.
    std::filesystem::path screenshotShowing(const std::string& name, const std::string& window,
                                            std::chrono::milliseconds limit = std::chrono::seconds(20)) const;
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
// with an X error; it is simply asked again.
std::string findWindow(const std::string& title, std::chrono::milliseconds limit = std::chrono::seconds(20));

}  // namespace testkit
