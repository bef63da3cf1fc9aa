// The records of dialog-initialisation data, read without a dialog.
#include "dialog_init_records.h"

#include <cstring>

namespace {

constexpr std::size_t kHeaderSize = 8;

std::uint16_t wordAt(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t dwordAt(const std::uint8_t* p) { return wordAt(p) | (static_cast<std::uint32_t>(wordAt(p + 2)) << 16); }

}  // namespace

std::vector<DialogInitRecord> ReadDialogInitRecords(std::span<const std::uint8_t> data) {
    std::vector<DialogInitRecord> records;
    for (std::size_t at = 0; data.size() - at >= 2;) {
        const std::uint16_t control = wordAt(data.data() + at);
        if (control == 0 || data.size() - at < kHeaderSize) break;
        const std::uint16_t message = wordAt(data.data() + at + 2);
        const std::uint32_t length = dwordAt(data.data() + at + 4);
        at += kHeaderSize;
        if (length > data.size() - at) break;
        const auto* text = reinterpret_cast<const char*>(data.data() + at);
        records.push_back({control, message, std::string(text, strnlen(text, length))});
        at += length;
    }
    return records;
}
