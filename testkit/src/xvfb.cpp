#include "testkit/xvfb.h"

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "testkit/screen_text.h"

namespace testkit {

namespace {

constexpr int kScreenWidth = 1280, kScreenHeight = 1024;

// With -displayfd the server picks a free display itself and writes its
// number, on a line of its own, once it accepts clients. Standard output
// shares the log with the server's messages.
std::optional<std::string> announcedDisplay(const std::string& log) {
    std::istringstream lines(log);
    std::string line;
    while (std::getline(lines, line))
        if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos) return ":" + line;
    return std::nullopt;
}

}  // namespace

Xvfb::Xvfb()
    : m_server({"Xvfb", "-displayfd", "1", "-nolisten", "tcp", "-noreset", "-screen", "0",
                std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight) + "x24"}) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (true) {
        if (auto display = announcedDisplay(m_server.log())) {
            m_display = *display;
            break;
        }
        if (!m_server.running()) throw std::runtime_error("Xvfb ended at start:\n" + m_server.log());
        if (std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error("Xvfb gave no display within 10 s:\n" + m_server.log());
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (const char* previous = std::getenv("DISPLAY")) m_previousDisplay = previous;
    setenv("DISPLAY", m_display.c_str(), 1);
}

Xvfb::~Xvfb() {
    if (m_previousDisplay)
        setenv("DISPLAY", m_previousDisplay->c_str(), 1);
    else
        unsetenv("DISPLAY");
}

std::string colourName(std::uint32_t colorref) {
    char name[8];
    std::snprintf(name, sizeof name, "#%02X%02X%02X", unsigned(colorref & 0xFF), unsigned((colorref >> 8) & 0xFF),
                  unsigned((colorref >> 16) & 0xFF));
    return name;
}

std::filesystem::path Xvfb::screenshot(const std::string& name) const {
    const auto file = artifactsDir() / (name + ".png");
    RunOptions options;
    options.env["DISPLAY"] = m_display;
    options.timeout = std::chrono::seconds(10);
    const auto result = run({"import", "-window", "root", file.string()}, options);
    if (result.exitCode != 0 || !std::filesystem::exists(file))
        throw std::runtime_error("screenshot of " + m_display + " failed: " + result.err);
    return file;
}

std::filesystem::path Xvfb::screenshotShowing(const std::string& name, const std::string& window,
                                             const Unshown& unshown, std::chrono::milliseconds limit) const {
    const auto until = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const ScreenRegion place = windowRegion(window);
        const auto file = screenshot(name);
        const std::string missing =
            place.width > 0 && place.height > 0 ? unshown(file, place) : "the window is not on the screen";
        if (missing.empty()) return file;
        if (std::chrono::steady_clock::now() > until)
            throw std::runtime_error("the screenshot " + file.string() + " of the window " + window +
                                     " does not show its subject: " + missing);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}

namespace {

// A way Tesseract reads a window: in grey or black and white, and its page
// segmentation (6: one block of lines; 3: its own layout analysis).
struct Way {
    bool blackAndWhite;
    const char* layout;
};
constexpr Way kWays[] = {{false, "6"}, {true, "6"}, {false, "3"}};

}  // namespace

std::filesystem::path Xvfb::screenshotShowing(const std::string& name, const std::string& window,
                                             const std::vector<std::string>& texts,
                                             std::chrono::milliseconds limit) const {
    if (texts.empty()) throw std::invalid_argument("the screenshot " + name + " names no text to read");
    // Tesseract reads the small print of a dialog best at three times its
    // size. Each way of reading misses now and then what another reads:
    // as one block of lines in grey it skips a label beside a focused
    // field's ring, which black and white keeps, but loses a letter of light
    // text on a selected row; its own layout analysis finds a lone button
    // below a field yet splits a long text into columns. The attempts take
    // turns, and a text counts as read in any of the last three readings
    // (the keys a test presses come only after, so a text shown once stays).
    std::size_t attempt = 0;
    std::vector<std::string> readings;
    return screenshotShowing(name, window, [&](const std::filesystem::path& file, const ScreenRegion& place) {
        const Way& way = kWays[attempt++ % std::size(kWays)];
        const auto scaled = std::filesystem::path(file).replace_extension(".read.png");
        RunOptions options;
        options.env["DISPLAY"] = m_display;
        options.timeout = std::chrono::seconds(20);
        std::vector<std::string> convert{"convert", file.string(), "-crop", place.geometry(), "+repage",
                                         "-colorspace", "Gray", "-resize", "300%"};
        if (way.blackAndWhite) convert.insert(convert.end(), {"-threshold", "65%"});
        convert.push_back(scaled.string());
        const RunResult cut = run(convert, options);
        if (cut.exitCode != 0) return "convert failed: " + cut.err;
        options.env["OMP_THREAD_LIMIT"] = "1";
        options.timeout = std::chrono::seconds(90);
        const RunResult read =
            run({"tesseract", scaled.string(), "stdout", "-l", "ces", "--psm", way.layout}, options);
        std::filesystem::remove(scaled);
        if (read.exitCode != 0) return "tesseract failed: " + read.err;
        readings.push_back(read.out);
        if (readings.size() > std::size(kWays)) readings.erase(readings.begin());
        if (const auto unread = unreadText(readings, texts))
            return "\"" + *unread + "\" is not in what was read:\n" + readings.back();
        return std::string();
    }, limit);
}

std::filesystem::path Xvfb::screenshotShowing(const std::string& name, const std::string& window,
                                             const std::vector<Pixels>& pixels,
                                             std::chrono::milliseconds limit) const {
    if (pixels.empty()) throw std::invalid_argument("the screenshot " + name + " names no pixels to look at");
    return screenshotShowing(name, window, [&](const std::filesystem::path& file, const ScreenRegion& place) {
        for (const Pixels& area : pixels) {
            const ScreenRegion inside = place.part(area.left, area.top, area.right - area.left, area.bottom - area.top);
            if (inside.width <= 0 || inside.height <= 0 || area.left < 0 || area.top < 0 ||
                area.right > place.width || area.bottom > place.height)
                return area.what + " lies outside the window's " + place.geometry();
            const int near = pixelsNear(file, area.colour, inside);
            if (near < 0) return "ImageMagick could not count the pixels of " + area.what;
            const double share = near / (double(inside.width) * inside.height);
            if (share < area.share)
                return area.what + " at " + inside.geometry() + " is " + area.colour + " in " + std::to_string(share) +
                       " of its pixels, not " + std::to_string(area.share);
        }
        return std::string();
    }, limit);
}

void Xvfb::kill() { m_server.signal(SIGKILL); }

std::string findWindow(const std::string& title, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    RunOptions options;
    options.timeout = std::chrono::seconds(10);
    for (;;) {
        const RunResult found = run({"xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"}, options);
        if (found.exitCode == 0 && !found.out.empty()) return found.out.substr(0, found.out.find('\n'));
        if (std::chrono::steady_clock::now() > until) return {};
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

}  // namespace testkit
