// The testkit hierarchy the server tests share: made once per test process.
#pragma once

#include "testkit/pki.h"

namespace testkit {

inline const pki::Hierarchy& hierarchy() {
    static const pki::Hierarchy made = pki::Hierarchy::make();
    return made;
}

}  // namespace testkit
