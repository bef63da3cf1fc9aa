// The database of the current platform root. PLATFORM_ROOT is read on every
// call, so a change of root takes effect at the next call; each database
// keeps one connection, shared by the process's threads.
#pragma once

#include <memory>

#include "database.h"

namespace platform::registry {

std::shared_ptr<Database> currentDatabase();

}  // namespace platform::registry
