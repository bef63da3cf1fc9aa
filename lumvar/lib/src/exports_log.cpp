// The log and the last server error as the caller reads them.
#include <cstdlib>

#include "library_state.h"
#include "lumvar/server_error.h"

using namespace lumvar;
using namespace lumvar::library;

extern "C" {

std::int32_t LUMVAR_GetLog(std::u16string* text, std::int32_t clear) {
    if (!text) return fail(kNullArgument, u"LUMVAR_GetLog: parametr pOutBuffer nesmi byt NULL.");
    return guarded(u"LUMVAR_GetLog", [&] {
        *text = log::text(clear == 1);
        return kOk;
    });
}

std::int32_t LUMVAR_GetLog_C(WCHAR** text, std::int32_t clear) {
    if (!text) return fail(kNullArgument, u"LUMVAR_GetLog: parametr pOutBuffer nesmi byt NULL.");
    return guarded(u"LUMVAR_GetLog_C", [&] {
        const std::u16string whole = log::text(clear == 1);
        auto* buffer = static_cast<WCHAR*>(std::calloc(whole.size() + 1, sizeof(WCHAR)));
        if (!buffer) return kLogStream;
        whole.copy(buffer, whole.size());
        *text = buffer;
        return kOk;
    });
}

std::int32_t LUMVAR_FreeLogBuffer(WCHAR* buffer) {
    std::free(buffer);
    return kOk;
}

std::int32_t LUMVAR_ClearLog() {
    log::clear();
    return kOk;
}

std::int32_t LUMVAR_GetLastServerError(const WCHAR** text) {
    if (!text) return fail(kNullArgument, u"LUMVAR_GetLastServerError: parametr pErrMsg nesmi byt NULL.");
    *text = LastServerError().c_str();
    return kOk;
}

std::int32_t LUMVAR_ClearLastServerError() {
    ClearLastServerError();
    return kOk;
}

}  // extern "C"
