// The upgrade client's functions the update step calls: the program binds
// those of liblumvar.so, a test its own.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "lumvar/lumvar.h"

namespace halvex {

struct UpdaterCalls {
    std::function<std::int32_t(std::uint32_t level)> setLogLevel;
    std::function<std::int32_t(lumvar::Config config)> loadConfiguration;
    std::function<std::int32_t()> init;
    std::function<std::int32_t(LUMVAR_Callback callback)> setCallback;
    std::function<std::int32_t(lumvar::UpdateList* list, std::vector<std::uint32_t>* serverVersion,
                               std::int32_t* available)>
        checkUpdates;
    std::function<std::int32_t(const lumvar::UpdateList* list)> downloadUpdates;
    std::function<std::int32_t()> doUpdate;
    std::function<std::int32_t()> close;
};

// The functions of liblumvar.so, which the program links.
UpdaterCalls LinkedUpdater();

}  // namespace halvex
