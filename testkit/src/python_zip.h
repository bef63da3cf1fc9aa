// ZIP archives written by Python's zipfile, as an independent writer.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace testkit {

// Writes the entries (name as stored, bytes) in order, deflated.
void writeZip(const std::filesystem::path& file, const std::vector<std::pair<std::string, std::string>>& entries);

}  // namespace testkit
