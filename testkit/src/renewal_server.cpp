#include "testkit/renewal_server.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "local_service.h"
#include "testkit/connection_map.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"

namespace testkit {

namespace {

namespace fs = std::filesystem;

constexpr const char* kPython = "/usr/bin/python3";

const char* replyWord(RenewalReply reply) {
    switch (reply) {
        case RenewalReply::Numbers: return "numbers";
        case RenewalReply::AcceptedWithoutNumbers: return "accepted_without_numbers";
        case RenewalReply::NumberWithoutText: return "number_without_text";
        case RenewalReply::NumberWithoutCaType: return "number_without_ca_type";
        case RenewalReply::Refusal: return "refusal";
        case RenewalReply::RefusalWithoutMessage: return "refusal_without_message";
        case RenewalReply::RefusalWithoutCode: return "refusal_without_code";
        case RenewalReply::WrongStatus: return "wrong_status";
        case RenewalReply::NoStatus: return "no_status";
        case RenewalReply::NotWellFormed: return "not_well_formed";
        case RenewalReply::Long: return "long";
        case RenewalReply::Reset: return "reset";
    }
    return "numbers";
}

// A word of the expectations file: no blank or line break inside.
const std::string& word(const std::string& text) {
    if (text.empty() || text.find_first_of(" \t\r\n") != std::string::npos)
        throw std::invalid_argument("a renewal expectation is not one word: " + text);
    return text;
}

pki::Credential serverCredential(const pki::Hierarchy& pki, const std::string& hostName) {
    return pki::CertificateBuilder()
        .subject(pki::Name{{"CN", hostName}})
        .issuedBy(pki.standardCa)
        .keyUsage(pki::kDigitalSignature | pki::kKeyEncipherment)
        .extendedKeyUsage({"1.3.6.1.5.5.7.3.1"})
        .subjectAltNames({pki::GeneralName::dns(hostName)})
        .build();
}

RenewalRequest readRequest(const fs::path& folder, std::size_t number) {
    RenewalRequest request;
    std::ifstream meta(folder / (std::to_string(number) + ".meta"));
    for (std::string line; std::getline(meta, line);) {
        const auto words = splitTabs(line);
        const std::string value = words.size() > 1 ? words[1] : std::string();
        if (words[0] == "target") request.target = value;
        if (words[0] == "user-agent") request.userAgent = value;
        if (words[0] == "content-type") request.contentType = value;
        if (words[0] == "verdict") request.verdict = value;
        if (words[0] == "number" && words.size() == 3) request.numbers.emplace_back(words[1], words[2]);
    }
    request.body = readFile(folder / (std::to_string(number) + ".body"));
    return request;
}

}  // namespace

RenewalServer::RenewalServer(const pki::Hierarchy& pki, const pki::Certificate& renewed, std::string hostName)
    : m_hostName(std::move(hostName)), m_folder(makeServiceFolder("testkit-renewal")) {
    try {
        if (!fs::exists(kPython)) throw std::runtime_error(std::string("missing ") + kPython);
        writeFile(m_folder / "renewed.pem", renewed.pem());
        writeFile(m_folder / "trust.pem", pki.root.certificate.pem());
        writeFile(m_folder / "cas.pem", pki.qualifiedCa.certificate.pem() + pki.standardCa.certificate.pem());
        answer(RenewalReply::Numbers);
        const auto files = serverCredential(pki, m_hostName).write(m_folder, "server");
        m_service = std::make_unique<Service>(std::vector<std::string>{
            kPython, (fs::path(TESTKIT_SCRIPTS_DIR) / "renewal_server.py").string(), "--folder", m_folder.string(),
            "--cert", files.chainPem.string(), "--key", files.keyPem.string(), "--schema", TESTKIT_RENEWAL_SCHEMA});
        m_port = waitForPortFile(*m_service, m_folder / "port", "the renewal server");
    } catch (...) {
        m_service.reset();
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
        throw;
    }
}

RenewalServer::~RenewalServer() {
    m_service.reset();
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
}

std::string RenewalServer::url() const { return "https://" + m_hostName + "/cgi-bin/renreq3.cgi"; }

void RenewalServer::mapHost() const { mapConnection(m_hostName, 443, m_port); }

void RenewalServer::answer(RenewalReply reply) { replaceFile(m_folder / "reply", replyWord(reply)); }

void RenewalServer::expect(const RenewalExpectations& expectations) {
    std::ostringstream lines;
    for (std::size_t i = 0; i < expectations.billingTypes.size(); ++i)
        lines << "billing " << i + 1 << " " << word(expectations.billingTypes[i]) << "\n";
    if (!expectations.certSend.empty()) lines << "certsend " << word(expectations.certSend) << "\n";
    replaceFile(m_folder / "expect", lines.str());
}

std::vector<RenewalRequest> RenewalServer::requests() const {
    std::vector<RenewalRequest> out;
    const fs::path folder = m_folder / "requests";
    while (fs::exists(folder / (std::to_string(out.size()) + ".meta"))) out.push_back(readRequest(folder, out.size()));
    return out;
}

}  // namespace testkit
