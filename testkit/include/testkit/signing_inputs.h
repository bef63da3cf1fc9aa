// What the signing component needs to sign under the qualified policy: the
// hierarchy trusted by the user, its CRLs served, and in the folder of the
// signer's plug-ins the policy and a trusted list naming it and the root.
#pragma once

#include <filesystem>

#include "testkit/http_server.h"
#include "testkit/pki.h"

namespace testkit {

void writeQualifiedSigningInputs(const pki::Hierarchy& made, HttpServer& crls,
                                 const std::filesystem::path& pluginFolder);

}  // namespace testkit
