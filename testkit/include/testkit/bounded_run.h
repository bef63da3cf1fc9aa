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

// Documents whose reading grows faster than their size unless refused: the
// start of the document (a document type declaring the entities, or a
// comment line) and the markup to put where a reader takes an element's
// content, and the message the reader's refusal gives.
struct HostileMarkup {
    std::string name;
    std::string doctype;     // "<!DOCTYPE root [...]>\n" or "<!-- ... -->\n"
    std::string references;  // to go inside an element's content
    std::string refusal;
};
// "billion laughs" (ten levels of ten references, a few hundred bytes), a
// quadratic entity (a 300 KB entity referenced 100,000 times), 140,000
// attributes on one element, and 40,000 namespaces declared on 200 open
// elements with names that use the outermost: each under a 1 MiB cap on
// replies.
std::vector<HostileMarkup> HostileMarkups(const std::string& root);

}  // namespace testkit
