// A module that links the viewer, as the signing component does, and tells
// where the viewer believes its module is.
#include <string>

#include "asn1view/policy_tree.h"

extern "C" __attribute__((visibility("default"))) const char* ProbeComponentDirectory() {
    static const std::string directory = asn1view::ComponentDirectory().string();
    return directory.c_str();
}
