// A pointer as the plug-in's call argument, as the signer passes it.
#pragma once

#include <kyd_plugin/kyd_plugin.h>

inline kyd_plugin::CallArg arg(const void* p) { return reinterpret_cast<kyd_plugin::CallArg>(p); }
