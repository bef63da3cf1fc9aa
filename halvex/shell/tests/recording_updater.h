// An upgrade client for the update step's tests: it records its calls,
// answers the one named in `failing` with `failure` (7999 for "doUpdate"
// is the updater started), keeps the configuration it was given, reports
// `available` from its check and, while downloading, each (total, done)
// of `progress` to the callback it was given, after which `onProgress`
// runs on the downloading thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "updater_calls.h"

namespace shell_tests {

struct RecordingUpdater {
    std::vector<std::string> calls;
    std::string failing;
    std::int32_t failure = 0;
    std::int32_t available = 0;
    lumvar::Config config;
    LUMVAR_Callback callback = nullptr;
    std::vector<std::pair<int, int>> progress;
    std::function<void()> onProgress;

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
            [this](LUMVAR_Callback given) {
                callback = given;
                return answer(given ? "setCallback" : "setCallback null");
            },
            [this](lumvar::UpdateList* list, std::vector<std::uint32_t>* version, std::int32_t* flag) {
                if (!list || !version || !flag) return answer("checkUpdates null");
                *flag = available;
                return answer("checkUpdates");
            },
            [this](const lumvar::UpdateList* list) {
                if (!list) return answer("downloadUpdates null");
                for (const auto& [total, done] : progress) {
                    callback(2, total, done, u"halvex.txt");
                    if (onProgress) onProgress();
                }
                return answer("downloadUpdates");
            },
            [this] { return answer("doUpdate"); },
            [this] { return answer("close"); },
        };
    }
};

}  // namespace shell_tests
