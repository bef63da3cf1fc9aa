// Dialog-initialisation records read from any bytes. Every record read
// lies inside the data; crashes, reads past the end and large allocations
// are the bugs.
#include <cstdint>
#include <cstdlib>

#include "dialog_init_records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::size_t held = 0;
    for (const auto& record : ReadDialogInitRecords({data, size})) held += 8 + record.text.size();
    if (held > size) std::abort();
    return 0;
}
