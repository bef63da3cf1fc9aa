#include "local_service.h"

#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

#include "testkit/platform_root.h"
#include "testkit/process.h"

namespace testkit {

std::filesystem::path makeServiceFolder(const char* prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error(std::string("cannot make a folder for ") + prefix);
    return pattern;
}

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

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> words;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        words.push_back(line.substr(start, tab - start));
    words.push_back(line.substr(start));
    return words;
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

}  // namespace testkit
