// stand_in.cpp: the tests' side of the HSM engine stand-in: registration
// and the settings it answers by.
#include <algorithm>
#include <sstream>
#include <stdexcept>

#include "platform/text.h"
#include "stand_in_settings.h"
#include "testkit/hsm_engine.h"
#include "testkit/process.h"

namespace testkit {

namespace settings = hsm_engine_stand_in;

HsmEngineStandIn::HsmEngineStandIn() : HsmEngineStandIn(moduleFile("1.0.0.0")) {}

HsmEngineStandIn::HsmEngineStandIn(const std::filesystem::path& module) {
    RunOptions options;
    options.env["PLATFORM_UI"] = "script";
    const RunResult registered = run({TESTKIT_REGSVR32, "/s", module.string()}, options);
    if (registered.exitCode != 0)
        throw std::runtime_error("regsvr32 of the HSM engine stand-in failed: " + registered.err + registered.out);
}

std::filesystem::path HsmEngineStandIn::moduleFile(std::string_view version) {
    if (version == "1.0.0.0") return TESTKIT_HSM_ENGINE_MODULE;
    if (version == "1.0.0.1") return TESTKIT_HSM_ENGINE_MODULE_NEWER;
    throw std::invalid_argument("the HSM engine stand-in is not built at " + std::string(version));
}

void HsmEngineStandIn::failCall(std::u16string_view call, HRESULT result) const {
    settings::writeDword(std::u16string(call).c_str(), static_cast<DWORD>(result));
}

void HsmEngineStandIn::setRootList(std::u16string_view list) const { settings::writeText(settings::kRootListValue, list); }

void HsmEngineStandIn::refuseInterface(bool refuse) const {
    settings::writeDword(settings::kRefuseInterfaceValue, refuse ? 1 : 0);
}

std::vector<std::string> HsmEngineStandIn::calls() const {
    std::istringstream log(platform::text::toUtf8(settings::readText(settings::kCallsValue).value_or(u"")));
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) lines.push_back(line);
    return lines;
}

int HsmEngineStandIn::liveObjects() const {
    const std::vector<std::string> lines = calls();
    return static_cast<int>(std::count(lines.begin(), lines.end(), "created") -
                            std::count(lines.begin(), lines.end(), "destroyed"));
}

}  // namespace testkit
