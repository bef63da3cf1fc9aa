#include "platform/thread_end.h"

#include <utility>
#include <vector>

namespace platform::threads {

namespace {

struct EndWork {
    std::vector<std::function<void()>> work;
    void run() {
        while (!work.empty()) {
            const auto next = std::move(work.back());
            work.pop_back();
            next();
        }
    }
    ~EndWork() { run(); }
};

EndWork& mine() {
    thread_local EndWork work;
    return work;
}

}  // namespace

void atThreadEnd(std::function<void()> work) { mine().work.push_back(std::move(work)); }

void runThreadEnd() { mine().run(); }

}  // namespace platform::threads
