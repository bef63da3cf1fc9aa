// What the tests of signing into containers share: the object created as a
// page's script creates it and called by member name through IDispatch,
// configured as the host program configures it (English, testkit's signed
// configuration, its trusted list and qualified policy, the CRLs of its
// hierarchy from a local server, a qualified signing certificate whose key
// lies in the software provider), every file under Czech-named folders,
// and the peers that judge what it writes.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "mirelo_client.h"
#include "testkit/http_server.h"
#include "testkit/pki.h"
#include "testkit/qualified_renewal.h"
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

// What a member call gives a script: its HRESULT and its result, a text in
// UTF-8, a number or a date.
struct Answer {
    HRESULT hr = E_FAIL;
    std::string text;
    LONG number = 0;
    DATE date = 0;
};

// Arguments as a script passes them: a text (an empty one as a null BSTR)
// and a number.
VARIANT text(const std::string& value);
VARIANT number(LONG value);

// Members called by name, as a page's script calls them.
Answer call(ISignerKyd* object, const char16_t* member, std::vector<VARIANT> arguments = {});
Answer get(ISignerKyd* object, const char16_t* property);
HRESULT put(ISignerKyd* object, const char16_t* property, VARIANT value);

class SigningRoad : public mirelo_test::RegisteredMirelo {
protected:
    void SetUp() override;
    void TearDown() override;

    // The answers the confirmation dialogs get, one "KIND REPLY [text]" a
    // line, for the objects made after this call.
    void answerDialogs(const std::vector<std::string>& lines);
    // A new object: English, the plug-ins of the folder, the signed
    // configuration, the trusted list and the policy loaded, CfgSign as
    // given, the signer set.
    platform::com::Ptr<ISignerKyd> configured(const std::filesystem::path& pluginFolder, LONG signFlags,
                                              const Signer& signer);
    Signer makeSigner(const std::string& commonName, const std::u16string& container,
                      testkit::CspKind kind = testkit::CspKind::Software);

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
    std::string m_configuration;
    std::vector<testkit::HeldCertificate> m_held;
    std::unique_ptr<ScopedEnv> m_answers;
    const ScopedEnv m_modules{"PLATFORM_MODULE_PATH", TESK_TTI_DIR ":" TESK_RICHED32_DIR ":" TESK_CRYPTUI_DIR};
    const ScopedEnv m_ui{"PLATFORM_UI", "script"};
};

}  // namespace signing_road
