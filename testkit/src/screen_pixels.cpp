#include "testkit/screen_pixels.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <thread>
#include <vector>

#include "testkit/process.h"

namespace testkit {

namespace {

RunOptions bounded() {
    RunOptions options;
    options.timeout = std::chrono::seconds(10);
    return options;
}

std::string cropped(const std::filesystem::path& shot, const ScreenRegion& region) {
    return shot.string() + "[" + region.geometry() + "]";
}

}  // namespace

std::string ScreenRegion::geometry() const {
    return std::to_string(width) + "x" + std::to_string(height) + "+" + std::to_string(x) + "+" + std::to_string(y);
}

ScreenRegion ScreenRegion::part(int left, int top, int partWidth, int partHeight) const {
    return {x + left, y + top, partWidth, partHeight};
}

ScreenRegion windowRegion(const std::string& window) {
    const RunResult geometry = run({"xdotool", "getwindowgeometry", "--shell", window}, bounded());
    if (geometry.exitCode != 0) return {};
    std::map<std::string, int> values;
    std::istringstream lines(geometry.out);
    for (std::string line; std::getline(lines, line);)
        if (const auto equals = line.find('='); equals != std::string::npos)
            values[line.substr(0, equals)] = std::atoi(line.c_str() + equals + 1);
    return {values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]};
}

std::filesystem::path screenShot(const std::string& name) {
    const auto file = artifactsDir() / (name + ".png");
    const RunResult taken = run({"import", "-window", "root", file.string()}, bounded());
    EXPECT_EQ(0, taken.exitCode) << taken.err;
    return file;
}

std::filesystem::path shotUntil(const std::string& name, const std::function<bool(const std::filesystem::path&)>& shows,
                                std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    auto file = screenShot(name);
    while (!shows(file) && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        file = screenShot(name);
    }
    return file;
}

void pointerTo(const std::string& window, int x, int y) {
    std::vector<std::string> command{"xdotool", "mousemove"};
    if (!window.empty()) command.insert(command.end(), {"--window", window});
    command.insert(command.end(), {std::to_string(x), std::to_string(y)});
    const RunResult moved = run(command, bounded());
    EXPECT_EQ(0, moved.exitCode) << moved.err;
}

int pixelsNear(const std::filesystem::path& shot, const std::string& colour, const ScreenRegion& region, int fuzz) {
    const RunResult counted =
        run({"convert", cropped(shot, region), "-fuzz", std::to_string(fuzz) + "%", "-fill", "white", "+opaque",
             colour, "-fill", "black", "-opaque", colour, "-negate", "-format", "%[fx:round(mean*w*h)]", "info:"},
            bounded());
    return counted.exitCode == 0 ? std::atoi(counted.out.c_str()) : -1;
}

int differentPixels(const std::filesystem::path& a, const std::filesystem::path& b, const ScreenRegion& region,
                    int fuzz) {
    // compare answers 1 when the images differ, and its count on stderr.
    const RunResult compared = run({"compare", "-metric", "AE", "-fuzz", std::to_string(fuzz) + "%",
                                    cropped(a, region), cropped(b, region), "null:"},
                                   bounded());
    return compared.exitCode <= 1 ? std::atoi(compared.err.c_str()) : -1;
}

}  // namespace testkit
