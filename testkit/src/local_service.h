// What testkit's Python servers on 127.0.0.1 share: a folder of their own,
// files the server reads whole, the wait for the port it listens on, and
// a TLS certificate for 127.0.0.1.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "testkit/pki.h"

namespace testkit {

class Service;

// A fresh folder under the temporary directory, named "<prefix>-XXXXXX".
std::filesystem::path makeServiceFolder(const char* prefix);
// Written whole and renamed, so that the server never reads half a file.
void replaceFile(const std::filesystem::path& file, std::string_view content);
// The port the server wrote into `portFile`; std::runtime_error with the
// server's log when it dies or takes over ten seconds.
std::uint16_t waitForPortFile(Service& service, const std::filesystem::path& portFile, std::string_view what);
// The fields of a line the server recorded, split at tabs.
std::vector<std::string> splitTabs(const std::string& line);
// A server certificate for 127.0.0.1 and localhost from the hierarchy's standard CA.
pki::Credential localhostCredential(const pki::Hierarchy& pki);

}  // namespace testkit
