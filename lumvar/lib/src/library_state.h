// What the library keeps between calls, one of each per process: the
// stored configuration, its own update list for the _C functions, the
// caller's callback, and whether it holds the digest context.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "lumvar/config.h"
#include "lumvar/log_writer.h"
#include "lumvar/lumvar.h"
#include "lumvar/protocol_requests.h"
#include "lumvar/result_codes.h"
#include "lumvar/update_list.h"

namespace lumvar::library {

struct LibraryState {
    Config config;
    UpdateList ownList;
    LUMVAR_Callback callback = nullptr;
    bool holdsDigestContext = false;
};

LibraryState& state();

// Logs message at ERROR and returns code.
std::int32_t fail(std::int32_t code, const char16_t* message);

// kNotConfigured, logged as "<function>: Není načtena platná konfigurace.",
// unless a complete configuration is stored.
std::int32_t requireConfiguration(const char16_t* function);

// The progress of a reply, passed on to the callback as event with text.
ReplyProgress progressFor(int event, const std::u16string* text);

// Runs body; an exception that escapes it (memory ran out) is logged and
// becomes kOtherException, so that no exception leaves the library.
template <class Body>
std::int32_t guarded(const char16_t* function, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::exception& e) {
        log::write(log::Level::Error, u"%ls: Nastala neidentifikovatelná vyjímka: %hs.", function, e.what());
    } catch (...) {
        log::write(log::Level::Error, u"%ls: Nastala neidentifikovatelná vyjímka.", function);
    }
    return kOtherException;
}

}  // namespace lumvar::library
