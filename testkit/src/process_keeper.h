// The processes a test starts end with the test, however the test ends:
// by a failure, by ctest's kill after its time limit, by an interrupt.
#pragma once

#include <sys/types.h>

namespace testkit {

// Entrusts a process group (a child started as the leader of a group of
// its own) to the keeper: a process started with the first group, which
// listens on a connection from this process. When this process ends,
// whatever ended it, the connection closes and the keeper kills every
// group still there.
// A group that has emptied is forgotten within a second, before its number
// can be given to another.
void keepGroup(pid_t group) noexcept;

}  // namespace testkit
