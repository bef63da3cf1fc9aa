// The signer's plug-in members over the process-wide plug-in manager.
#include <cstdint>
#include <cstring>

#include "common/log.h"
#include "plugin_manager.h"
#include "signer_errors.h"
#include "signer_services.h"
#include "signer_kyd.h"

namespace {

void TellLoadedPlugins(kyd_plugin::Command command, LONG value) {
    LastErrorKeeper keep;
    const auto word = static_cast<std::uint32_t>(value);
    PluginManager::Instance().CallAll(command, reinterpret_cast<kyd_plugin::CallArg>(&word), 0, 0);
}

}  // namespace

bool TSignerKyd::LoadAllPlugins(const std::string& searchPath, const std::string& mask) {
    SIGNER_TRACE();
    LastErrorKeeper keep;
    Log(sgLogLevelDebug, "search_path : " + searchPath);
    Log(sgLogLevelDebug, "mask        : " + mask);
    if (searchPath.empty() || mask.empty()) return Record(kErrBadValue);

    const PluginHostInfo own = HostInfo();
    kyd_plugin::HostInfo host{};
    host.interfaceVersion = static_cast<std::uint32_t>(own.version);
    std::strncpy(host.applicationName, own.applicationName.c_str(), sizeof host.applicationName - 1);
    auto& plugins = PluginManager::Instance();
    plugins.SetHostInfo(&host);
    if (!plugins.AddAll(searchPath.c_str(), mask.c_str()) || !plugins.LoadAll()) return Record(kErrPluginLoading);
    TellPluginsLanguage();
    TellPluginsCharset();
    return Record(0);
}

bool TSignerKyd::UnloadAllPlugins() {
    SIGNER_TRACE();
    LastErrorKeeper keep;
    PluginManager::Instance().UnloadAll();
    return Record(0);
}

bool TSignerKyd::SetCfgLanguageNumber(LONG language) {
    if (!TSigner::SetCfgLanguageNumber(language)) return false;
    TellPluginsLanguage();
    return true;
}

bool TSignerKyd::SetCfgLanguageStr(const std::string& language) {
    if (!TSigner::SetCfgLanguageStr(language)) return false;
    TellPluginsLanguage();
    return true;
}

void TSignerKyd::TellPluginsLanguage() const { TellLoadedPlugins(kyd_plugin::kLanguage, GetCfgLanguageNumber()); }

void TSignerKyd::TellPluginsCharset() const { TellLoadedPlugins(kyd_plugin::kCodePage, m_signCharset); }
