#include "testkit/xvfb.h"

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace testkit {

namespace {

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
    : m_server({"Xvfb", "-displayfd", "1", "-nolisten", "tcp", "-noreset", "-screen", "0", "1280x1024x24"}) {
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
                                             std::chrono::milliseconds limit) const {
    RunOptions options;
    options.env["DISPLAY"] = m_display;
    options.timeout = std::chrono::seconds(10);
    const auto until = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const RunResult geometry = run({"xdotool", "getwindowgeometry", "--shell", window}, options);
        std::map<std::string, int> values;
        std::istringstream lines(geometry.out);
        for (std::string line; std::getline(lines, line);)
            if (const auto equals = line.find('='); equals != std::string::npos)
                values[line.substr(0, equals)] = std::atoi(line.c_str() + equals + 1);
        const auto file = screenshot(name);
        const int width = values["WIDTH"], height = values["HEIGHT"];
        if (geometry.exitCode == 0 && width > 0 && height > 5) {
            const std::string body = std::to_string(width) + "x" + std::to_string(height * 2 / 3) + "+" +
                                     std::to_string(values["X"]) + "+" + std::to_string(values["Y"] + height / 6);
            const RunResult colours =
                run({"convert", file.string(), "-crop", body, "+repage", "-format", "%k", "info:"}, options);
            if (colours.exitCode == 0 && std::atoi(colours.out.c_str()) > 1) return file;
        }
        if (std::chrono::steady_clock::now() > until)
            throw std::runtime_error("the window " + window + " shows nothing in " + file.string());
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
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
