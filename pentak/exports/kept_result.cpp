#include "kept_result.h"

#include <atomic>
#include <mutex>

namespace pentak::exports {

namespace {

std::atomic<unsigned long long> g_calls{0};

struct Kept {
    std::mutex lock;
    std::u16string key;
    std::u16string text;
    unsigned long long call = 0;  // the call that kept it
} g_kept;

}  // namespace

unsigned long long noteSessionCall() noexcept { return ++g_calls; }

bool takeKept(const std::u16string& key, std::u16string& text) {
    const std::lock_guard guard(g_kept.lock);
    const bool fits = g_kept.call != 0 && g_kept.call + 1 == g_calls.load() && g_kept.key == key;
    if (fits) text = std::move(g_kept.text);
    g_kept.key.clear();
    g_kept.text.clear();
    g_kept.call = 0;
    return fits;
}

void keep(const std::u16string& key, const std::u16string& text) {
    const std::lock_guard guard(g_kept.lock);
    g_kept.key = key;
    g_kept.text = text;
    g_kept.call = g_calls.load();
}

}  // namespace pentak::exports
