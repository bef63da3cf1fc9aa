#include "testkit/growth.h"

#include <algorithm>
#include <chrono>

namespace testkit {
namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

// A round long enough that a busy machine's pauses even out in it.
constexpr double kShortestRound = 0.1;
constexpr int kRounds = 3;
// Rounds of the large input while it is too slow, when they are cheap.
constexpr int kCheapRounds = 6;
constexpr double kCheapRound = 5.0;
constexpr double kAllowedRatio = 8.0;
constexpr int kAttempts = 3;

double secondsOf(const std::function<void()>& work, int repeats) {
    const auto start = Clock::now();
    for (int i = 0; i < repeats; ++i) work();
    return Seconds(Clock::now() - start).count() / repeats;
}

// The large input's rounds stop at the first that is fast enough. Slow
// ones go on while they are cheap, or while they are less than twice too
// slow, which a busy machine may explain; quadratic work stays far over.
double bestUnder(const std::function<void()>& work, int repeats, double limit) {
    double best = secondsOf(work, repeats);
    for (int round = 1; best >= limit; ++round) {
        const bool cheap = best * repeats < kCheapRound;
        if (round >= (cheap ? kCheapRounds : kRounds) || (!cheap && best >= 2 * limit)) break;
        best = std::min(best, secondsOf(work, repeats));
    }
    return best;
}

}  // namespace

::testing::AssertionResult GrowsLinearly(const SizedWork& make, std::size_t size) {
    const auto small = make(size);
    const double cold = secondsOf(small, 1);  // also warms caches and allocators
    const double once = std::min(cold, secondsOf(small, 1));
    const int repeats = once >= kShortestRound ? 1 : static_cast<int>(kShortestRound / std::max(once, 1e-6)) + 1;
    std::function<void()> large;
    double smallSeconds = 0;
    double largeSeconds = 0;
    double ratio = 0;
    // A machine whose load changed between the two timings is timed again:
    // linear work then passes, quadratic work fails every time.
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        smallSeconds = secondsOf(small, repeats);
        for (int round = 1; round < kRounds; ++round) smallSeconds = std::min(smallSeconds, secondsOf(small, repeats));
        if (!large) large = make(size * 4);
        largeSeconds = bestUnder(large, repeats, smallSeconds * kAllowedRatio);
        ratio = largeSeconds / std::max(smallSeconds, 1e-9);
        if (ratio < kAllowedRatio)
            return ::testing::AssertionSuccess() << "four times the input took " << ratio << " times as long";
    }
    return ::testing::AssertionFailure() << "four times the input took " << ratio << " times as long ("
                                         << smallSeconds << " s for " << size << ", " << largeSeconds << " s for "
                                         << size * 4 << ")";
}

}  // namespace testkit
