// The processor time the process has used: the cost of a piece of work
// apart from how busy the machine is, which stretches the clock but not
// this.
#pragma once

#include <chrono>
#include <ctime>

namespace testkit {

inline std::chrono::nanoseconds processorTime() {
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return std::chrono::seconds(used.tv_sec) + std::chrono::nanoseconds(used.tv_nsec);
}

}  // namespace testkit
