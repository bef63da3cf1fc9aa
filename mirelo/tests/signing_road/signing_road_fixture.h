// What the tests of signing into containers share: the object created as a
// page's script creates it, configured as the host program configures it
// (English, a trusted list signed by testkit's PKI whose CRLs a local
// server gives, a signature policy with testkit's root as its trust point,
// a qualified signing certificate whose key lies in the software
// provider), and the peers that judge what it writes.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "mirelo_client.h"
#include "testkit/csp.h"
#include "testkit/http_server.h"
#include "testkit/pki.h"
#include "testkit/scoped_env.h"

namespace signing_road {

namespace pki = testkit::pki;
using testkit::Bytes;

// A qualified signer: its PEM for the object and its certificate in the
// user's "MY" store, bound to its key in a container of its own; the PIN
// of the token that holds the key (none for the software provider).
struct Signer {
    std::string pem;
    std::filesystem::path pemFile;
    std::string pin;
};

class SigningRoad : public mirelo_test::RegisteredMirelo {
protected:
    void SetUp() override;
    void TearDown() override;

    // The answers the confirmation dialogs get, one "KIND REPLY [text]" a
    // line, for the objects made after this call.
    void answerDialogs(const std::vector<std::string>& lines);
    // A new object: English, the plug-ins of the folder, the trusted list
    // and the policy loaded, CfgSign as given, the signer set.
    platform::com::Ptr<ISignerKyd> configured(const std::filesystem::path& pluginFolder, LONG signFlags,
                                              const Signer& signer);
    Signer makeSigner(const std::string& commonName, const std::u16string& container,
                      testkit::CspKind kind = testkit::CspKind::Software);

    // Member calls as a script makes them, through IDispatch.
    HRESULT signFileToFile(ISignerKyd* object, const std::string& file, const std::string& kydFile,
                           const std::string& contentType);
    HRESULT signAddSignerToFile(ISignerKyd* object, const std::string& kydFile);
    static HRESULT withText(ISignerKyd* object, HRESULT (ISignerKyd::*member)(BSTR), const std::string& text);
    // The last error's number and the object's log, for failure messages.
    static std::string lastError(ISignerKyd* object);
    // DocumentExtractToFile into the folder under the document's own name.
    static HRESULT extract(ISignerKyd* object, const std::filesystem::path& kyd, const std::filesystem::path& folder);

    // `unzip -Z1`: the entry names in archive order; `unzip -p` of one.
    std::vector<std::string> entries(const std::filesystem::path& kyd) const;
    Bytes entry(const std::filesystem::path& kyd, const std::string& name) const;
    testkit::RunResult openssl(std::vector<std::string> arguments) const;

    const std::filesystem::path& folder() const { return m_folder; }
    const pki::Hierarchy& hierarchy() const { return m_hierarchy; }
    std::filesystem::path policyFile, trustedListFile, rootPem, qualifiedCaPem;
    Signer first;

private:
    testkit::HttpServer m_server;
    pki::Hierarchy m_hierarchy = pki::Hierarchy::make({.crlBaseUrl = m_server.url("")});
    std::filesystem::path m_folder;
    std::vector<std::unique_ptr<testkit::TestCsp>> m_containers;
    std::unique_ptr<ScopedEnv> m_answers;
    const ScopedEnv m_modules{"PLATFORM_MODULE_PATH", TESK_TTI_DIR ":" TESK_RICHED32_DIR};
    const ScopedEnv m_ui{"PLATFORM_UI", "script"};
};

}  // namespace signing_road
