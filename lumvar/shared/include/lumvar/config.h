// The configuration a caller of the upgrade client fills in: server,
// product, folders, installed version and language. Each setter returns 1
// when it took the value (and sets the member's flag bit), 0 when it
// refused it (member and flag unchanged). The member order is part of the
// interface between the modules that pass a Config by value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lumvar/exported.h"
#include "win32/types.h"

namespace lumvar {

enum Jazyk : std::int32_t { Czech = 0, Slovak = 1, English = 2 };

class LUMVAR_EXPORTED Config {
public:
    static constexpr std::uint32_t kComplete = 0x3FF;

    std::int32_t setClientApp(const std::string& value);
    std::int32_t setDistroID(const std::string& value);
    std::int32_t setAddress(const std::string& value);
    std::int32_t setAgentName(const std::u16string& value);
    std::int32_t setAgentName(const WCHAR* value);
    // Folders end in a separator: "\" is appended when the text ends in
    // neither "\" nor "/".
    std::int32_t setProgramPath(const std::u16string& value);
    std::int32_t setProgramPath(const WCHAR* value);
    std::int32_t setDllPath(const std::u16string& value);
    std::int32_t setDllPath(const WCHAR* value);
    std::int32_t setDownloadPath(const std::u16string& value);
    std::int32_t setDownloadPath(const WCHAR* value);
    std::int32_t setRelaxNGPath(const std::string& value);
    // Most significant part first.
    std::int32_t setVersion(const std::vector<std::uint32_t>& value);
    std::int32_t setLang(std::int32_t value);

    std::string getClientApp() const { return ClientApp; }
    std::string getDistroID() const { return DistroID; }
    std::string getAddress() const { return Address; }
    std::u16string getAgentName() const { return AgentName; }
    std::u16string getProgramPath() const { return ProgramPath; }
    std::u16string getDllPath() const { return DllPath; }
    std::u16string getDownloadPath() const { return DownloadPath; }
    std::string getRelaxNGPath() const { return RelaxNGPath; }
    const char* getAddressP() const { return Address.c_str(); }
    const WCHAR* getAgentNameP() const { return AgentName.c_str(); }
    const WCHAR* getProgramPathP() const { return ProgramPath.c_str(); }
    const WCHAR* getDllPathP() const { return DllPath.c_str(); }
    const WCHAR* getDownloadPathP() const { return DownloadPath.c_str(); }
    const std::vector<std::uint32_t>* getVersion() const { return &Version; }
    Jazyk getLang() const { return Lang; }

    // 1 when all ten members were set, else 0.
    std::int32_t isLoaded() const { return flags == kComplete ? 1 : 0; }

private:
    std::string ClientApp;
    std::string DistroID;
    std::string Address;
    std::u16string AgentName;
    std::u16string ProgramPath;
    std::u16string DllPath;
    std::u16string DownloadPath;
    std::string RelaxNGPath;
    std::uint32_t flags = 0;
    std::vector<std::uint32_t> Version;
    Jazyk Lang = Czech;
};

}  // namespace lumvar
