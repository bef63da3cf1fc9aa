#include "testkit/softhsm.h"

#include <cstdlib>
#include <stdexcept>

#include "platform/crypt_providers.h"
#include "softhsm_data_object.h"

namespace testkit {

namespace {

constexpr const char* kModule = "/usr/lib/softhsm/libsofthsm2.so";

}  // namespace

std::filesystem::path SoftHsmToken::module() { return kModule; }

bool softHsmAvailable() { return std::filesystem::exists(kModule) && findProgram("softhsm2-util").has_value(); }

SoftHsmToken::SoftHsmToken(const PlatformRoot& root, SoftHsmOptions options) : m_options(std::move(options)) {
    const auto tokens = root.path() / "softhsm" / "tokens";
    std::filesystem::create_directories(tokens);
    const auto conf = root.write("softhsm/softhsm2.conf", "directories.tokendir = " + tokens.string() +
                                                              "\nobjectstore.backend = file\nlog.level = ERROR\n");
    if (const char* previous = std::getenv("SOFTHSM2_CONF")) m_previousConf = previous;
    setenv("SOFTHSM2_CONF", conf.c_str(), 1);
    const auto init = run({"softhsm2-util", "--init-token", "--free", "--label", m_options.label, "--pin",
                           m_options.pin, "--so-pin", m_options.soPin});
    if (init.exitCode != 0) throw std::runtime_error("softhsm2-util --init-token failed: " + init.err + init.out);
    platform::crypt::registerCardProvider(m_options.provider, kModule);
}

SoftHsmToken::~SoftHsmToken() {
    if (m_previousConf)
        setenv("SOFTHSM2_CONF", m_previousConf->c_str(), 1);
    else
        unsetenv("SOFTHSM2_CONF");
}

RunResult SoftHsmToken::pkcs11Tool(const std::vector<std::string>& arguments) const {
    std::vector<std::string> argv{"pkcs11-tool", "--module", kModule, "--token-label", m_options.label,
                                  "--login", "--pin", m_options.pin};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return run(argv);
}

void SoftHsmToken::writeDataObject(const std::string& application, const std::string& label,
                                   const std::vector<unsigned char>& value) const {
    softhsm::createPublicDataObject(kModule, m_options.label, application, label, value);
}

}  // namespace testkit
