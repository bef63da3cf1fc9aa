// failure.h: how the library's code fails inside, and the one place where a
// failure becomes an export's status. Nothing thrown leaves an export.
#pragma once

#include <openssl/err.h>

#include <new>
#include <string>
#include <utility>

#include "tti/tti.h"

namespace tti {

class Failure {
public:
    explicit Failure(int status) : m_status(status) {}
    int status() const noexcept { return m_status; }

private:
    int m_status;
};

[[noreturn]] inline void fail(int status) { throw Failure(status); }

// Runs an export's body: its own status, or the status of what it threw.
// OpenSSL's errors are the library's answer to its own calls, so they are
// taken off the thread's error queue again; what was there stays.
template <class Body>
int guarded(Body&& body) noexcept {
    struct ErrorMark {
        ErrorMark() { ERR_set_mark(); }
        ~ErrorMark() { ERR_pop_to_mark(); }
    } mark;
    try {
        return std::forward<Body>(body)();
    } catch (const Failure& failure) {
        return failure.status();
    } catch (const std::bad_alloc&) {
        return TTI_E_MEMORY;
    } catch (...) {
        return TTI_E_ASN_RESULT;
    }
}

}  // namespace tti
