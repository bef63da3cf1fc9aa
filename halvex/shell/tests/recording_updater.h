// An upgrade client for the update step's tests: it records its calls,
// fails the one named in `failing` with `failure`, keeps the configuration
// it was given and reports `available` from its check.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "updater_calls.h"

namespace shell_tests {

struct RecordingUpdater {
    std::vector<std::string> calls;
    std::string failing;
    std::int32_t failure = 0;
    std::int32_t available = 0;
    lumvar::Config config;

    std::int32_t answer(const std::string& call) {
        calls.push_back(call);
        return call == failing ? failure : 0;
    }

    halvex::UpdaterCalls table() {
        return {
            [this](std::uint32_t level) { return answer("setLogLevel " + std::to_string(level)); },
            [this](lumvar::Config given) {
                config = given;
                return answer("loadConfiguration");
            },
            [this] { return answer("init"); },
            [this](LUMVAR_Callback callback) { return answer(callback ? "setCallback" : "setCallback null"); },
            [this](lumvar::UpdateList* list, std::vector<std::uint32_t>* version, std::int32_t* flag) {
                if (!list || !version || !flag) return answer("checkUpdates null");
                *flag = available;
                return answer("checkUpdates");
            },
            [this] { return answer("close"); },
        };
    }
};

}  // namespace shell_tests
