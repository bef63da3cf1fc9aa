// What testkit's Python servers on 127.0.0.1 share: files the server reads
// whole, the wait for the port it listens on, and
// a TLS certificate for 127.0.0.1.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "testkit/pki.h"
#include "testkit/platform_root.h"

namespace testkit {

class Service;

// Written whole and renamed, so that the server never reads half a file.
void replaceFile(const std::filesystem::path& file, std::string_view content);
// The port the server wrote into `portFile`; std::runtime_error with the
// server's log when it dies or takes over ten seconds.
std::uint16_t waitForPortFile(Service& service, const std::filesystem::path& portFile, std::string_view what);
// Starts one of this kit's server scripts on its folder, TLS certificate
// chain and key, with more arguments; returns the service once it listens
// and puts its port into `port`.
std::unique_ptr<Service> startServerScript(const std::string& script, const std::filesystem::path& folder,
                                           const pki::Credential::Files& tls, std::vector<std::string> more,
                                           std::uint16_t& port, std::string_view what);
// Stops the service and removes its folder, whatever is left there.
void stopAndRemove(std::unique_ptr<Service>& service, const std::filesystem::path& folder) noexcept;
// The requests a server recorded in its folder's "requests": for each, the
// fields of its ".meta" lines and the bytes of its body file (".<suffix>").
struct RecordedRequest {
    std::vector<std::vector<std::string>> meta;
    std::string body;

    // The value of the first line naming the field; empty without one.
    std::string field(std::string_view name) const;
    // The two values of each line naming the field and holding both.
    std::vector<std::pair<std::string, std::string>> pairs(std::string_view name) const;
};
std::vector<RecordedRequest> recordedRequests(const std::filesystem::path& folder, const std::string& bodySuffix);
// A server certificate for 127.0.0.1 and localhost from the hierarchy's standard CA.
pki::Credential localhostCredential(const pki::Hierarchy& pki);
// A TLS server's certificate for a host name (DNS name and CN), from the
// hierarchy's standard CA.
pki::Credential hostCredential(const pki::Hierarchy& pki, const std::string& hostName);

}  // namespace testkit
