// Hostile input against a reader: the reader runs in a child process whose
// address space may grow only so far and which is ended after a deadline,
// and the test learns how it ended, how much memory it took and how long.
// A refused bomb ends with the reader's own answer, little memory and
// little time; one that is expanded runs into the limits instead of the
// machine's memory.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace testkit {

struct BoundedRun {
    bool exited = false;     // ended by its own exit, not by a signal
    int exitCode = -1;       // work's result; 125 when it threw
    long peakGrowthMiB = 0;  // the child's peak resident set above the parent's at the start
    double seconds = 0;      // wall time
};

// Runs work() in a forked child (its result is the exit code) with the
// address space capped at limitMiB above the present size (no cap under
// AddressSanitizer, which reserves its shadow up front) and ended by SIGKILL
// after `seconds`.
BoundedRun RunBounded(const std::function<int()>& work, long limitMiB = 512, unsigned seconds = 30);

// Success when the run ended by itself with 0 (work's "refused as it
// should be") within 5 seconds (a loaded machine included) and 32 MiB above
// the parent; else what it took.
::testing::AssertionResult RefusedQuickly(const BoundedRun& run);

// Documents that declare entities whose expansion is huge: the document type
// (named `root`) and the references to put where a reader takes text.
struct EntityBomb {
    std::string name;
    std::string doctype;     // "<!DOCTYPE root [...]>"
    std::string references;  // to go inside an element's content
};
// "billion laughs" (ten levels of ten references, a few hundred bytes) and a
// quadratic one (a 300 KB entity referenced 100,000 times, 800 KB in all, so
// under a 1 MiB cap on replies).
std::vector<EntityBomb> EntityBombs(const std::string& root);

}  // namespace testkit
