// The module's own registration entry points, which the object's
// Unregister member also calls.
#pragma once

#include "platform/com/server.h"

TESK_COM_EXPORT HRESULT DllRegisterServer();
TESK_COM_EXPORT HRESULT DllUnregisterServer();
