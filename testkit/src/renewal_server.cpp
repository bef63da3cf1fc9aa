#include "testkit/renewal_server.h"

#include <sstream>
#include <stdexcept>

#include "local_service.h"
#include "testkit/connection_map.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"

namespace testkit {

namespace {

namespace fs = std::filesystem;

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

}  // namespace

RenewalServer::RenewalServer(const pki::Hierarchy& pki, const pki::Certificate& renewed, std::string hostName)
    : m_hostName(std::move(hostName)), m_folder(makeTemporaryFolder("testkit-renewal")) {
    try {
        writeFile(m_folder / "renewed.pem", renewed.pem());
        writeFile(m_folder / "trust.pem", pki.root.certificate.pem());
        writeFile(m_folder / "cas.pem", pki.qualifiedCa.certificate.pem() + pki.standardCa.certificate.pem());
        answer(RenewalReply::Numbers);
        m_service = startServerScript("renewal_server.py", m_folder,
                                      hostCredential(pki, m_hostName).write(m_folder, "server"),
                                      {"--schema", TESTKIT_RENEWAL_SCHEMA}, m_port, "the renewal server");
    } catch (...) {
        stopAndRemove(m_service, m_folder);
        throw;
    }
}

RenewalServer::~RenewalServer() { stopAndRemove(m_service, m_folder); }

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
    for (auto& recorded : recordedRequests(m_folder, "body"))
        out.push_back({recorded.field("target"), recorded.field("user-agent"), recorded.field("content-type"),
                       std::move(recorded.body), recorded.field("verdict"), recorded.pairs("number")});
    return out;
}

}  // namespace testkit
