// The process-wide document plug-in host: the plug-ins found in folders,
// in registration order, each with the id it got then (0, 1, 2, ... from an
// empty manager), loaded, described, called and unloaded here.
//
// Every call into a plug-in is guarded: an exception thrown inside one
// stops here, counts as the answer 0 and is logged at level 1. Only loaded
// plug-ins are called or searched for their types, so nothing is read from
// a library that is no longer loaded. The manager is not synchronised; it
// is used from the thread that drives the signer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kyd_plugin/kyd_plugin.h"
#include "win32/types.h"

// One registered plug-in file.
struct PluginRecord {
    DWORD id = 0;
    // As registered, byte for byte; never shortened.
    std::string path;
    // False once the plug-in was refused for its protocol version; it is
    // then never loaded again until the manager is cleared.
    bool enabled = true;
    HMODULE module = nullptr;
    kyd_plugin::PluginInfo info{};
    kyd_plugin::InitFunction init = nullptr;
    kyd_plugin::CallFunction call = nullptr;
    kyd_plugin::ExitFunction exit = nullptr;

    bool Loaded() const { return module != nullptr; }
};

class PluginManager {
public:
    // The manager of the process, created empty on first use.
    static PluginManager& Instance();
    // Clears the manager and deletes it; the next Instance makes a new one.
    static void Destroy();

    // Copies the host information plug-ins get at loading; false for null.
    bool SetHostInfo(const kyd_plugin::HostInfo* host);

    // Registers every file of the folder that the mask (wildcards "*" and
    // "?", any case) matches; a file that is no plug-in is logged and
    // skipped. False only for a null folder or mask.
    bool AddAll(const char* folder, const char* mask);
    // Registers one file when it names all three entry points (a byte
    // scan: the dynamic string table of a shared object holds its export
    // names); true also when the path, byte for byte, is registered
    // already. False for anything else.
    bool Add(const std::string& path, bool enabled);

    // Loads every enabled record that is not loaded, in list order: the
    // library, its three entry points, KydPluginInit. A step that fails
    // leaves the record registered and unloaded; a plug-in that needs a
    // newer protocol than the host's is logged, given KydPluginExit and
    // disabled. True.
    bool LoadAll();
    // KydPluginExit and unloading for every loaded record; the records stay
    // registered and enabled. True.
    bool UnloadAll();

    const PluginRecord* FindById(DWORD id) const;
    // The id of the first loaded, enabled plug-in whose type table names the
    // MIME type (any case); false when none does.
    bool FindForType(const std::string& type, DWORD& id) const;

    // The plug-in's answer; 0 when no record has the id or it is not loaded
    // (then nothing is called).
    int CallOne(DWORD id, std::uint32_t command, kyd_plugin::CallArg a, kyd_plugin::CallArg b,
                kyd_plugin::CallArg c);
    // 1 when no plug-in is loaded; otherwise 1 AND every loaded plug-in's
    // answer as a 32-bit word, so 1 only when every answer has bit 0 set.
    int CallAll(std::uint32_t command, kyd_plugin::CallArg a, kyd_plugin::CallArg b, kyd_plugin::CallArg c);

    // Unloads everything, forgets the records and the host information;
    // ids start at 0 again.
    void Clear();

    ~PluginManager();

private:
    PluginManager() = default;
    bool Load(PluginRecord& record);
    void Unload(PluginRecord& record);

    std::vector<PluginRecord> m_records;
    DWORD m_nextId = 0;
    kyd_plugin::HostInfo m_host{};

    static std::unique_ptr<PluginManager> s_instance;
};
