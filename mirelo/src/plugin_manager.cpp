#include "plugin_manager.h"

#include <cstring>
#include <string_view>

#include "common/log.h"
#include "platform/text.h"
#include "plugin_scan.h"
#include "signer_services.h"
#include "win32/files.h"
#include "win32/modules.h"

using namespace kyd_plugin;

std::unique_ptr<PluginManager> PluginManager::s_instance;

namespace {

void LogError(const std::string& text) {
    LastErrorKeeper keep;
    TLogStrVect::Instance()->PrintStr(sgLogLevelErrs, text);
}

// Runs one call into a plug-in; whatever it throws stops here and counts as
// the answer 0.
template <class Call>
int Guarded(const PluginRecord& record, const char* entry, Call&& call) {
    try {
        return call();
    } catch (...) {
        LogError(std::string("PluginManager: ") + entry + " of plugin " + record.path + " threw an exception");
        return 0;
    }
}

// A fixed-size text field of a plug-in's record, up to its first NUL.
std::string_view FieldText(const char* field, std::size_t size) {
    return {field, strnlen(field, size)};
}

bool EndsWithSeparator(std::string_view folder) {
    return !folder.empty() && (folder.back() == '/' || folder.back() == '\\');
}

template <class Function>
Function Resolve(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(GetProcAddress(module, name));
}

}  // namespace

PluginManager& PluginManager::Instance() {
    if (!s_instance) s_instance.reset(new PluginManager);
    return *s_instance;
}

void PluginManager::Destroy() { s_instance.reset(); }

PluginManager::~PluginManager() { Clear(); }

bool PluginManager::SetHostInfo(const HostInfo* host) {
    if (host == nullptr) return false;
    m_host = *host;
    return true;
}

bool PluginManager::AddAll(const char* folder, const char* mask) {
    if (folder == nullptr || mask == nullptr) return false;
    std::string prefix(folder);
    if (!EndsWithSeparator(prefix)) prefix += '/';
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((prefix + mask).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return true;
    do {
        const std::string_view name = FieldText(found.cFileName, sizeof found.cFileName);
        if (name == "." || name == "..") continue;
        const std::string path = prefix + std::string(name);
        if (!Add(path, true)) LogError("AddAllPlugins(): cannot add plugin " + path);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return true;
}

bool PluginManager::Add(const std::string& path, bool enabled) {
    if (!NamesAllPluginEntryPoints(path)) return false;
    for (const auto& record : m_records)
        if (record.path == path) return true;
    PluginRecord record;
    record.id = m_nextId++;
    record.path = path;
    record.enabled = enabled;
    m_records.push_back(std::move(record));
    return true;
}

bool PluginManager::LoadAll() {
    for (auto& record : m_records)
        if (record.enabled && !record.Loaded()) Load(record);
    return true;
}

bool PluginManager::Load(PluginRecord& record) {
    HMODULE module = LoadLibraryA(record.path.c_str());
    if (module == nullptr) return false;
    record.init = Resolve<InitFunction>(module, kInitName);
    record.call = Resolve<CallFunction>(module, kCallName);
    record.exit = Resolve<ExitFunction>(module, kExitName);
    record.module = module;
    if (record.init == nullptr || record.call == nullptr || record.exit == nullptr) {
        Unload(record);
        return false;
    }
    record.info = PluginInfo{};
    const HostInfo host = m_host;
    if (Guarded(record, kInitName, [&] { return record.init(&host, &record.info); }) == 0) {
        record.exit = nullptr;  // an uninitialised plug-in is not asked to exit
        Unload(record);
        return false;
    }
    const std::uint32_t needed = record.info.interfaceVersion;
    if (needed > m_host.interfaceVersion) {
        LogError("LoadAllPlugins(): plugin " + record.path + " has been designed for a different application version " +
                 std::to_string(needed & 0xFFFF) + "." + std::to_string(needed >> 16));
        Unload(record);
        record.enabled = false;
        return false;
    }
    return true;
}

void PluginManager::Unload(PluginRecord& record) {
    if (record.exit != nullptr) Guarded(record, kExitName, [&] { return record.exit(0, 0); });
    if (record.module != nullptr) FreeLibrary(record.module);
    record.module = nullptr;
    record.init = nullptr;
    record.call = nullptr;
    record.exit = nullptr;
}

bool PluginManager::UnloadAll() {
    for (auto& record : m_records)
        if (record.Loaded()) Unload(record);
    return true;
}

const PluginRecord* PluginManager::FindById(DWORD id) const {
    for (const auto& record : m_records)
        if (record.id == id) return &record;
    return nullptr;
}

bool PluginManager::FindForType(const std::string& type, DWORD& id) const {
    const std::u16string wanted = platform::text::toWide(type);
    for (const auto& record : m_records) {
        if (!record.enabled || !record.Loaded() || record.info.types == nullptr) continue;
        for (std::uint32_t i = 0; i < record.info.typeCount; ++i) {
            const MimeEntry& entry = record.info.types[i];
            if (platform::text::equalsNoCase(platform::text::toWide(FieldText(entry.type, sizeof entry.type)), wanted)) {
                id = record.id;
                return true;
            }
        }
    }
    return false;
}

int PluginManager::CallOne(DWORD id, std::uint32_t command, CallArg a, CallArg b, CallArg c) {
    for (auto& record : m_records)
        if (record.id == id) {
            if (!record.Loaded()) return 0;
            return Guarded(record, kCallName, [&] { return record.call(command, a, b, c); });
        }
    return 0;
}

int PluginManager::CallAll(std::uint32_t command, CallArg a, CallArg b, CallArg c) {
    std::uint32_t result = 1;
    for (auto& record : m_records)
        if (record.Loaded())
            result &= static_cast<std::uint32_t>(Guarded(record, kCallName, [&] { return record.call(command, a, b, c); }));
    return static_cast<int>(result);
}

void PluginManager::Clear() {
    UnloadAll();
    m_records.clear();
    m_nextId = 0;
    m_host = HostInfo{};
}
