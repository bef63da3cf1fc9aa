// untrusted_root.cpp: the process-wide question about an untrusted root.
#include "common/untrusted_root.h"

#include <mutex>
#include <utility>

namespace {

struct Question {
    std::mutex lock;
    UntrustedRootQuestion ask;
};

Question& question() {
    static Question current;
    return current;
}

}  // namespace

UntrustedRootQuestion SetUntrustedRootQuestion(UntrustedRootQuestion ask) {
    Question& current = question();
    const std::lock_guard guard(current.lock);
    return std::exchange(current.ask, std::move(ask));
}

DWORD AskUntrustedRoot(const CertInfo& root) {
    UntrustedRootQuestion ask;
    {
        Question& current = question();
        const std::lock_guard guard(current.lock);
        ask = current.ask;
    }
    // Asked outside the lock: the question may show a dialog for long.
    return ask ? ask(root) : kRootUntrusted;
}
