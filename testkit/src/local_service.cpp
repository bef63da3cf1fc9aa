#include "local_service.h"

#include <unistd.h>

#include <chrono>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "testkit/platform_root.h"
#include "testkit/process.h"

namespace testkit {

void replaceFile(const std::filesystem::path& file, std::string_view content) {
    writeFile(std::filesystem::path(file).concat(".tmp"), content);
    std::filesystem::rename(std::filesystem::path(file).concat(".tmp"), file);
}

std::uint16_t waitForPortFile(Service& service, const std::filesystem::path& portFile, std::string_view what) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::filesystem::exists(portFile)) {
        if (!service.running() || std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error(std::string(what) + " did not start:\n" + service.log());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return static_cast<std::uint16_t>(std::stoi(readFile(portFile)));
}

namespace {

// The fields of a line the server recorded, split at tabs.
std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> words;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        words.push_back(line.substr(start, tab - start));
    words.push_back(line.substr(start));
    return words;
}

}  // namespace

std::unique_ptr<Service> startServerScript(const std::string& script, const std::filesystem::path& folder,
                                           const pki::Credential::Files& tls, std::vector<std::string> more,
                                           std::uint16_t& port, std::string_view what) {
    std::vector<std::string> command = {"/usr/bin/python3", (std::filesystem::path(TESTKIT_SCRIPTS_DIR) / script).string(),
                                        "--folder", folder.string(), "--cert", tls.chainPem.string(),
                                        "--key", tls.keyPem.string()};
    command.insert(command.end(), more.begin(), more.end());
    if (!std::filesystem::exists(command.front())) throw std::runtime_error("missing " + command.front());
    auto service = std::make_unique<Service>(std::move(command));
    port = waitForPortFile(*service, folder / "port", what);
    return service;
}

void stopAndRemove(std::unique_ptr<Service>& service, const std::filesystem::path& folder) noexcept {
    service.reset();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

std::string RecordedRequest::field(std::string_view name) const {
    for (const auto& words : meta)
        if (words.size() > 1 && words[0] == name) return words[1];
    return {};
}

std::vector<std::pair<std::string, std::string>> RecordedRequest::pairs(std::string_view name) const {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& words : meta)
        if (words.size() == 3 && words[0] == name) out.emplace_back(words[1], words[2]);
    return out;
}

std::vector<RecordedRequest> recordedRequests(const std::filesystem::path& folder, const std::string& bodySuffix) {
    std::vector<RecordedRequest> out;
    const auto requests = folder / "requests";
    for (std::size_t n = 0;; ++n) {
        const auto meta = requests / (std::to_string(n) + ".meta");
        if (!std::filesystem::exists(meta)) break;
        RecordedRequest request;
        std::ifstream lines(meta);
        for (std::string line; std::getline(lines, line);) request.meta.push_back(splitTabs(line));
        request.body = readFile(requests / (std::to_string(n) + "." + bodySuffix));
        out.push_back(std::move(request));
    }
    return out;
}

pki::Credential localhostCredential(const pki::Hierarchy& pki) {
    return pki::CertificateBuilder()
        .subject(pki::Name{{"CN", "127.0.0.1"}})
        .issuedBy(pki.standardCa)
        .keyUsage(pki::kDigitalSignature | pki::kKeyEncipherment)
        .extendedKeyUsage({"1.3.6.1.5.5.7.3.1"})
        .subjectAltNames({pki::GeneralName::ip("127.0.0.1"), pki::GeneralName::dns("localhost")})
        .build();
}

pki::Credential hostCredential(const pki::Hierarchy& pki, const std::string& hostName) {
    return pki::CertificateBuilder()
        .subject(pki::Name{{"CN", hostName}})
        .issuedBy(pki.standardCa)
        .keyUsage(pki::kDigitalSignature | pki::kKeyEncipherment)
        .extendedKeyUsage({"1.3.6.1.5.5.7.3.1"})
        .subjectAltNames({pki::GeneralName::dns(hostName)})
        .build();
}

}  // namespace testkit
