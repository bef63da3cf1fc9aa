// COM registration of an installed file by the system's regsvr32.
#pragma once

#include <string>

namespace tornil {

// Runs "regsvr32 /s <file>" and waits for it; true when it ended with 0.
bool RegisterServer(const std::u16string& file);

}  // namespace tornil
