// Data objects written onto a SoftHSM2 token through its PKCS #11 module in
// this process (pkcs11-tool cuts an object's value at 5,000 bytes). Kept
// apart so that the PKCS #11 header meets nothing of the layer.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testkit::softhsm {

// A public token object of class CKO_DATA on the token of that label;
// the label is left out when empty. Throws std::runtime_error on failure.
void createPublicDataObject(const std::filesystem::path& module, const std::string& tokenLabel,
                            const std::string& application, const std::string& label,
                            const std::vector<unsigned char>& value);

}  // namespace testkit::softhsm
