// The renewal program's signer: the signing component (ProgID
// "Mirelo.SignerKyd.1") created through COM, configured once with the
// document plug-ins and the signed configuration of the configuration
// folder's "libs/dll_conf/", signing one file per call into a container
// under the qualified signature policy and the trusted list of that folder.
#pragma once

#include <stdexcept>
#include <string>

#include "win32/types.h"

struct IUnknown;
struct ISignerKyd;

namespace halvex {

// A member of the component failed: its status and the component's
// description of the failure.
class MireloError : public std::runtime_error {
public:
    MireloError(HRESULT status, std::u16string description);
    HRESULT status() const noexcept { return m_status; }
    const std::u16string& description() const noexcept { return m_description; }

private:
    HRESULT m_status;
    std::u16string m_description;
};

class Mirelo {
public:
    Mirelo() = default;
    ~Mirelo();
    Mirelo(const Mirelo&) = delete;
    Mirelo& operator=(const Mirelo&) = delete;

    // In a test environment (profile "AppEnvironment" 0 or 1) first empties
    // the component's remembered certificates (subkey "1" of the user's
    // "Software\tesk\mirelo\certs", when that key exists). Creates the
    // component, resets it, loads the plug-ins and sets the configuration;
    // each failure is shown (4058, 4059, 4060, 33175, or the component's
    // description with the status) and gives false.
    bool init();
    // Unloads the plug-ins and releases the component; safe without one.
    // False when the component failed to unload its plug-ins (released all
    // the same).
    bool release();

    // Signs the input file into the output container with the certificate
    // (PEM). In a test environment the component is made afresh first; false
    // when that fails (shown by init). A failing member throws MireloError.
    bool Sign_Kyd(const std::u16string& input, const std::u16string& output, const std::u16string& certificatePem);

    // Steps of init: false after the error is shown.
    bool LoadPlugins();
    bool LoadConfiguration();

    // The component, null before init; for reading its last error.
    ISignerKyd* signer() const noexcept { return m_signer; }

private:
    IUnknown* m_unknown = nullptr;
    ISignerKyd* m_signer = nullptr;
};

}  // namespace halvex
