#include "updater_calls.h"

namespace halvex {

UpdaterCalls LinkedUpdater() {
    return {LUMVAR_SetLogLevel, LUMVAR_LoadConfiguration, LUMVAR_Init, LUMVAR_SetCallback, LUMVAR_CheckUpdates,
            LUMVAR_DownloadUpdates, LUMVAR_DoUpdate, LUMVAR_Close};
}

}  // namespace halvex
