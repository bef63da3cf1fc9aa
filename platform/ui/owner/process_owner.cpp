// Linked only into a program that owns the area's parts for the modules it
// loads: exports this copy's parts, which every copy then finds and uses.
#include "process_parts.h"

extern "C" __attribute__((visibility("default"))) const platform::ui::ProcessParts* tesk_ui_process_v1() {
    return &platform::ui::ownParts();
}
