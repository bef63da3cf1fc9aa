// The processes a test starts end with the test, however the test ends:
// by a failure, by ctest's kill after its time limit, by an interrupt.
#pragma once

#include <string>

namespace testkit {

// The environment variable that ties a program to the tests it runs under.
inline constexpr char kKeeperMarkName[] = "TESTKIT_KEEPER";

// Its value for the programs this process starts: this test's mark (random,
// carried by no other process), after the marks of the tests above it when
// a test runs this one. Every program the kit starts gets it, and passes it
// on to what it starts, a program detached into a session of its own too.
// The first call starts the keeper, a process outside this one's tree of
// processes (ctest stops and kills a test's whole tree after its time
// limit), which listens on a connection from this process. When this
// process ends, whatever ended it, the connection closes and the keeper
// kills every process that carries the mark.
const std::string& keeperMark();

}  // namespace testkit
