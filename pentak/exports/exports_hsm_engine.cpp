// The session's client of the outside HSM engine.
#include <string>

#include "export_session.h"
#include "export_text.h"
#include "pentak_exports.h"

using namespace pentak::exports;

HRESULT Pentak_HsmEngine_Init(const char* url, const char* device, LONG comPort) {
    return codeOn(filled(url) && filled(device),
                  [&](CEnroll& s) { return s.HsmEngine_Init(ansiText(url), ansiText(device), comPort); });
}
