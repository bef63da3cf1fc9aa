// Work the layer does when a thread ends, such as taking its message queue
// away.
#pragma once

#include <functional>

namespace platform::threads {

// Runs `work` when the calling thread ends, the latest first: for a thread
// of CreateThread before its handle is signalled, so that whoever waits for
// it finds the thread wholly gone; for any other thread when its
// thread-local objects go. The work must not rely on other thread-locals.
void atThreadEnd(std::function<void()> work);

// Runs the calling thread's end work now; CreateThread's threads call it
// once their routine has returned.
void runThreadEnd();

}  // namespace platform::threads
