#include "testkit/screen_pixels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <vector>

#include "testkit/process.h"

namespace testkit {

namespace {

RunOptions bounded() {
    RunOptions options;
    options.timeout = std::chrono::seconds(20);
    return options;
}

std::string cropped(const std::filesystem::path& shot, const ScreenRegion& region) {
    return shot.string() + "[" + region.geometry() + "]";
}

// The pixels of the shot's region that differ from `other` (an image as
// compare reads it, with its options) by more than `fuzz` per cent in a
// channel; -1 when the region is empty or compare fails.
int differing(const std::filesystem::path& shot, const ScreenRegion& region, const std::vector<std::string>& other,
              int fuzz) {
    // An empty crop would be the whole shot.
    if (region.width <= 0 || region.height <= 0) return -1;
    std::vector<std::string> command{"compare", "-metric", "AE", "-fuzz", std::to_string(fuzz) + "%",
                                     cropped(shot, region)};
    command.insert(command.end(), other.begin(), other.end());
    command.push_back("null:");
    const RunResult compared = run(command, bounded());
    // compare answers 1 when the images differ, and its count on stderr
    // (a million and more as 1.31072e+06).
    if (compared.exitCode != 0 && compared.exitCode != 1) return -1;
    return static_cast<int>(std::lround(std::atof(compared.err.c_str())));
}

}  // namespace

std::string ScreenRegion::geometry() const {
    char text[64];
    std::snprintf(text, sizeof text, "%dx%d%+d%+d", width, height, x, y);
    return text;
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

int pixelsNear(const std::filesystem::path& shot, const std::string& colour, const ScreenRegion& region, int fuzz) {
    // Where the region leaves the shot, compare reads transparent pixels,
    // none of them near the colour.
    const std::string size = std::to_string(region.width) + "x" + std::to_string(region.height);
    const int others = differing(shot, region, {"-virtual-pixel", "transparent", "-size", size, "xc:" + colour}, fuzz);
    return others < 0 ? -1 : region.width * region.height - others;
}

int differentPixels(const std::filesystem::path& a, const std::filesystem::path& b, const ScreenRegion& region,
                    int fuzz) {
    return differing(a, region, {cropped(b, region)}, fuzz);
}

void pointerTo(const std::string& window, int x, int y) {
    std::vector<std::string> command{"xdotool", "mousemove"};
    if (!window.empty()) command.insert(command.end(), {"--window", window});
    command.insert(command.end(), {std::to_string(x), std::to_string(y)});
    const RunResult moved = run(command, bounded());
    EXPECT_EQ(0, moved.exitCode) << moved.err;
}

}  // namespace testkit
