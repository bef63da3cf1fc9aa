// The entry points of libpentak.so: its one creatable class and its
// registration script (resource REGISTRY 101).
#include "pentak_class.h"
#include "platform/com/server.h"

namespace {

const platform::com::ServerClass kClasses[] = {platform::com::serverClass<CPentak>(CLSID_Pentak)};

}  // namespace

TESK_COM_SERVER(kClasses, 101)
