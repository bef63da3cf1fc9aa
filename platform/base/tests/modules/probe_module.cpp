// A small module for the module and resource tests. Its functions run in
// the module's own copy of the layer, so what they see is what a shared
// object of the system sees.
#include "platform/modules.h"
#include "win32/resources.h"

#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))

PROBE_EXPORT int probe_answer() { return 42; }

PROBE_EXPORT HMODULE probe_this_module() { return platform::modules::thisModule(); }

// LoadString with a null module: the module's own string table.
PROBE_EXPORT int probe_load_string(UINT id, WCHAR* buffer, int size) { return LoadStringW(nullptr, id, buffer, size); }
