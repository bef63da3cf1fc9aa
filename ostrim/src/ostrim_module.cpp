// The entry points of libostrim.so, called by the installer through
// regsvr32: registering installs the authority's certificates into the
// machine's stores; unregistering leaves them where they are, since other
// programs may rely on them.
#include "installation.h"

#define OSTRIM_EXPORT extern "C" __attribute__((visibility("default")))

OSTRIM_EXPORT HRESULT DllRegisterServer() { return ostrim::install(ostrim::authorityPlacements()); }

OSTRIM_EXPORT HRESULT DllUnregisterServer() { return S_OK; }
