#include "testkit/growth.h"

#include <algorithm>
#include <chrono>

namespace testkit {
namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr Seconds kShortestRound{0.02};
constexpr int kRounds = 3;
constexpr double kAllowedRatio = 8.0;

double secondsOf(const std::function<void()>& work, int repeats) {
    const auto start = Clock::now();
    for (int i = 0; i < repeats; ++i) work();
    return Seconds(Clock::now() - start).count() / repeats;
}

double bestOf(const std::function<void()>& work, int repeats) {
    double best = secondsOf(work, repeats);
    for (int round = 1; round < kRounds; ++round) best = std::min(best, secondsOf(work, repeats));
    return best;
}

// The large input's rounds stop at the first that is fast enough, and at
// one twice too slow, which no busy machine explains.
double bestUnder(const std::function<void()>& work, int repeats, double limit) {
    double best = secondsOf(work, repeats);
    for (int round = 1; round < kRounds && best >= limit && best < 2 * limit; ++round)
        best = std::min(best, secondsOf(work, repeats));
    return best;
}

}  // namespace

::testing::AssertionResult GrowsLinearly(const SizedWork& make, std::size_t size) {
    const auto small = make(size);
    const double once = secondsOf(small, 1);  // also warms caches and allocators
    const int repeats = once >= kShortestRound.count() ? 1 : static_cast<int>(kShortestRound.count() / once) + 1;
    const double smallSeconds = bestOf(small, repeats);
    const double largeSeconds = bestUnder(make(size * 4), repeats, smallSeconds * kAllowedRatio);
    const double ratio = largeSeconds / std::max(smallSeconds, 1e-9);
    if (ratio < kAllowedRatio)
        return ::testing::AssertionSuccess() << "four times the input took " << ratio << " times as long";
    return ::testing::AssertionFailure() << "four times the input took " << ratio << " times as long ("
                                         << smallSeconds << " s for " << size << ", " << largeSeconds << " s for "
                                         << size * 4 << ")";
}

}  // namespace testkit
