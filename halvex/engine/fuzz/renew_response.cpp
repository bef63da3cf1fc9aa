// A reply of the renewal server over any bytes, read as the wizard reads
// it. Refusals (the reply's exceptions) are the expected outcome; crashes,
// hangs, large allocations and an outside file read are the bugs.
#include <cstdint>
#include <exception>
#include <string>

#include "halvex/renew_client.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        halvex::ParseRenewResponse(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const std::exception&) {
    }
    return 0;
}
