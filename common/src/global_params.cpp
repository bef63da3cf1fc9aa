// global_params.cpp: the process-wide store-open flags.
#include "common/global_params.h"

TGlobalParams* TGlobalParams::Instance() {
    // Lives until the process ends; store openings may run during shutdown.
    static TGlobalParams* const instance = new TGlobalParams;
    return instance;
}
