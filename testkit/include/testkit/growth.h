// Work whose cost must grow no faster than its input: timed on an input of
// one size and on one four times as large.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>

namespace testkit {

// Makes the input of a size and returns the work to time on it; the work
// may be run several times.
using SizedWork = std::function<std::function<void()>(std::size_t size)>;

// Success when the work on four times `size` takes less than eight times as
// long as on `size`: linear work takes four times, quadratic sixteen. Each
// is timed on the steady clock, the smaller input first, in rounds that
// repeat fast work for a tenth of a second: the best of three for the
// smaller, and for the larger rounds until one is fast enough (a few more
// while they are cheap), the two timed again up to three times while the
// ratio is too high, so that a busy machine or a cold cache does not
// decide.
::testing::AssertionResult GrowsLinearly(const SizedWork& make, std::size_t size);

}  // namespace testkit
