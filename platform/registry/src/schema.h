// The tables of a registry database and the keys every machine has.
#pragma once

#include "database.h"

namespace platform::registry {

// Creates them in a new database (several processes may race to do it);
// ERROR_BADDB for a database of an unknown layout.
void ensureSchema(Database& db);

}  // namespace platform::registry
