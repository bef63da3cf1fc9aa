// A fresh SoftHSM2 token for one test: its configuration and token folder
// inside the test's platform root (SOFTHSM2_CONF points there while the
// object lives), initialised with softhsm2-util and listed as a card
// provider under a card CSP name the system knows. Contexts of the provider
// must be released before the token goes, so that the module is finalised
// and the next token is seen afresh.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "testkit/platform_root.h"
#include "testkit/process.h"

namespace testkit {

struct SoftHsmOptions {
    std::string label = "Tesk Token";
    std::string pin = "1234";
    std::string soPin = "87654321";
    std::u16string provider = u"Zintra CSP";
};

class SoftHsmToken {
public:
    explicit SoftHsmToken(const PlatformRoot& root, SoftHsmOptions options = {});
    ~SoftHsmToken();
    SoftHsmToken(const SoftHsmToken&) = delete;
    SoftHsmToken& operator=(const SoftHsmToken&) = delete;

    const SoftHsmOptions& options() const noexcept { return m_options; }
    static std::filesystem::path module();
    // pkcs11-tool on this token's module, logged in with the user PIN.
    RunResult pkcs11Tool(const std::vector<std::string>& arguments) const;
    // Writes a public token object of class CKO_DATA: its CKA_APPLICATION,
    // CKA_LABEL (none when empty) and CKA_VALUE. Objects of any size.
    void writeDataObject(const std::string& application, const std::string& label,
                         const std::vector<unsigned char>& value) const;

private:
    SoftHsmOptions m_options;
    std::optional<std::string> m_previousConf;
};

// True when the module and softhsm2-util are installed.
bool softHsmAvailable();

}  // namespace testkit

// Skips the test (outside CI) or fails it (in CI) without SoftHSM2.
#define TESTKIT_REQUIRE_SOFTHSM()                                                  \
    do {                                                                           \
        if (!::testkit::softHsmAvailable()) {                                      \
            if (::testkit::inCi()) {                                               \
                FAIL() << "SoftHSM2 is missing";                                   \
            }                                                                      \
            GTEST_SKIP() << "SoftHSM2 is missing";                                 \
        }                                                                          \
    } while (0)
