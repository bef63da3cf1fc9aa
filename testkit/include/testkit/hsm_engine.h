// A stand-in for the outside HSM engine, for tests of its client: a COM
// server module with the engine's class and interface, registered by
// regsvr32 into the test's PLATFORM_ROOT. It records every call with its
// arguments and answers as the test sets it. Link testkit::hsm_engine.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "win32/types.h"

namespace testkit {

class HsmEngineStandIn {
public:
    // Registers the module (by default the one at 1.0.0.0) in the current
    // PLATFORM_ROOT; throws when regsvr32 fails.
    HsmEngineStandIn();
    explicit HsmEngineStandIn(const std::filesystem::path& module);

    // The module's file as built at file version "1.0.0.0" or "1.0.0.1":
    // one file name in two folders. Its object's ModuleVersion gives the
    // same text. Throws for other versions.
    static std::filesystem::path moduleFile(std::string_view version);

    // The HRESULT a call gives from now on, by its member name:
    // "put_FirstFlag", "put_SecondFlag", "Init", "WriteRoot",
    // "TestConnection", "GetRootList".
    void failCall(std::u16string_view call, HRESULT result) const;
    // The text GetRootList gives; unset, it gives a null BSTR.
    void setRootList(std::u16string_view list) const;
    // Whether QueryInterface refuses the engine interface.
    void refuseInterface(bool refuse) const;

    // What happened since registration, oldest first: "created",
    // "destroyed" and the calls as "Init(<url>, <device>, <port>)",
    // "put_FirstFlag(1)", "TestConnection()".
    std::vector<std::string> calls() const;
    // Objects created and not yet destroyed.
    int liveObjects() const;
};

}  // namespace testkit
