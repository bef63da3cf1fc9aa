// The session's client of the outside HSM engine.
#include <string>

#include "export_session.h"
#include "export_text.h"
#include "pentak_exports.h"
#include "result_rules.h"

using namespace pentak::exports;
using pentak::codeOf;

HRESULT Pentak_HsmEngine_Init(const char* url, const char* device, LONG comPort) {
    return onSession(filled(url) && filled(device), [&](CEnroll& s) {
        const std::u16string wideUrl = ansiText(url);
        const std::u16string wideDevice = ansiText(device);
        return codeOf([&] { return s.HsmEngine_Init(wideUrl, wideDevice, comPort); });
    });
}
