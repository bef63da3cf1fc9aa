#include "signer_services.h"

#include <mutex>

#include "common/log.h"
#include "common/resource.h"
#include "common/trusted_store.h"
#include "plugin_manager.h"
#include "win32/error.h"

namespace {

std::mutex g_mutex;
std::size_t g_liveSigners = 0;
DWORD g_logLevel = 0;

}  // namespace

void SignerServices::Attach() {
    std::lock_guard lock(g_mutex);
    ++g_liveSigners;
}

void SignerServices::Detach() {
    std::lock_guard lock(g_mutex);
    if (g_liveSigners == 0 || --g_liveSigners > 0) return;
    PluginManager::Destroy();
    TCertTrustedStore::Instance()->Clear();
    TLogStrVect::ReleaseInstance();
    TResource::ReleaseInstance();
    g_logLevel = 0;
}

std::size_t SignerServices::LiveSigners() {
    std::lock_guard lock(g_mutex);
    return g_liveSigners;
}

void SignerServices::SetLogLevel(DWORD mask) {
    std::lock_guard lock(g_mutex);
    if (TLogStrVect::Instance()->SetMask(mask)) g_logLevel = mask;
}

DWORD SignerServices::GetLogLevel() {
    std::lock_guard lock(g_mutex);
    return g_logLevel;
}

LastErrorKeeper::LastErrorKeeper() : m_saved(GetLastError()) {}

LastErrorKeeper::~LastErrorKeeper() { SetLastError(m_saved); }
