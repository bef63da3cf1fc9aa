// The records of a template's dialog-initialisation data (resource type
// 240), read from bytes that may be truncated or hostile.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct DialogInitRecord {
    std::uint16_t control = 0;
    std::uint16_t message = 0;
    std::string text;  // the data up to its first NUL, in the ANSI code page
};

// The records {control id (16 bits), message (16 bits), data length (32
// bits), data} before a control id of 0 or the end of the data; a record
// whose header or data does not fit in what is left ends the list before
// it.
std::vector<DialogInitRecord> ReadDialogInitRecords(std::span<const std::uint8_t> data);
