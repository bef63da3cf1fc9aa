// Configuration and lifecycle: loading a Config, Init, Close, the log level
// and the callback.
#include "library_state.h"
#include "lumvar/sha1_hash.h"

using namespace lumvar;
using namespace lumvar::library;

namespace {

// A complete configuration replaces the stored one; anything else leaves it.
std::int32_t store(const Config& config) {
    if (!config.isLoaded()) return kNotConfigured;
    state().config = config;
    return kOk;
}

}  // namespace

extern "C" {

std::int32_t LUMVAR_LoadConfiguration(Config config) {
    return guarded(u"LUMVAR_LoadConfiguration", [&] { return store(config); });
}

std::int32_t LUMVAR_LoadConfiguration_C(const char* clientApp, const char* distroId, const char* address,
                                        const WCHAR* agentName, const WCHAR* programPath, const WCHAR* dllPath,
                                        const WCHAR* downloadPath, const char* relaxNgPath, std::uint32_t version1,
                                        std::uint32_t version2, std::uint32_t version3, std::uint32_t version4,
                                        std::int32_t lang) {
    return guarded(u"LUMVAR_LoadConfiguration_C", [&] {
        Config config;
        if (clientApp) config.setClientApp(clientApp);
        if (distroId) config.setDistroID(distroId);
        if (address) config.setAddress(address);
        config.setAgentName(agentName);
        config.setProgramPath(programPath);
        config.setDllPath(dllPath);
        config.setDownloadPath(downloadPath);
        if (relaxNgPath) config.setRelaxNGPath(relaxNgPath);
        config.setVersion({version1, version2, version3, version4});
        config.setLang(lang);
        return store(config);
    });
}

std::int32_t LUMVAR_Init() {
    return guarded(u"LUMVAR_Init", [] {
        if (const std::int32_t rc = requireConfiguration(u"LUMVAR_Init")) return rc;
        log::closeFile();
        if (const std::int32_t rc = log::open()) return rc;
        LibraryState& s = state();
        if (!s.holdsDigestContext) {
            if (Sha1Hash::init() != kOk) {
                log::write(log::Level::Error, u"Nepodařilo se získat kontext CAPI.");
                return fail(kCryptContext, u"Nepodařilo se inicializovat Sha1Hash.");
            }
            s.holdsDigestContext = true;
        }
        s.callback = nullptr;
        return kOk;
    });
}

std::int32_t LUMVAR_Close() {
    return guarded(u"LUMVAR_Close", [] {
        std::int32_t rc = kOk;
        LibraryState& s = state();
        if (s.holdsDigestContext) {
            s.holdsDigestContext = false;
            if (Sha1Hash::close() != kOk) rc = fail(kCryptContext, u"Nepodařilo se uvolnit kontext CAPI");
        }
        log::closeFile();
        return rc;
    });
}

std::int32_t LUMVAR_SetLogLevel(std::uint32_t level) { return log::setLevel(level); }

std::int32_t LUMVAR_SetCallback(LUMVAR_Callback callback) {
    if (!callback) return fail(kNullArgument, u"LUMVAR_SetCallback: parametr pCallback nesmi byt NULL.");
    state().callback = callback;
    return kOk;
}

}  // extern "C"
