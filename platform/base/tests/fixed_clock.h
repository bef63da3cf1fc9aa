// The layer's clock held at one instant for the length of a scope.
#pragma once

#include <optional>

#include "platform/clock.h"

class FixedClock {
public:
    explicit FixedClock(ULONGLONG fileTime) { platform::clock::setForTests(fileTime); }
    ~FixedClock() { platform::clock::setForTests(std::nullopt); }
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;
};
