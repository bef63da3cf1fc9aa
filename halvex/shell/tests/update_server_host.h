// The host name under which the program reaches the test environment's
// update server; tests map it to testkit's update server.
#pragma once

#include <string>

#include "update_step.h"

namespace shell_tests {

inline std::string testUpdateServerHost() {
    const std::string address = halvex::UpdateServerAddress(halvex::kEnvironmentTest);
    const std::string rest = address.substr(address.find("://") + 3);
    return rest.substr(0, rest.find('/'));
}

}  // namespace shell_tests
