#include "testkit/update_server.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

#include "local_service.h"
#include "platform/text.h"
#include "testkit/connection_map.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"

namespace testkit {

namespace {

namespace fs = std::filesystem;

const char* faultWord(UpdateFault fault) {
    switch (fault) {
        case UpdateFault::None: return "none";
        case UpdateFault::SchemaInvalid: return "schema_invalid";
        case UpdateFault::NotXml: return "not_xml";
        case UpdateFault::NoContentLength: return "no_content_length";
        case UpdateFault::LongerThanAnnounced: return "longer_than_announced";
        case UpdateFault::HugeAnnouncement: return "huge_announcement";
        case UpdateFault::ErrorDocument: return "error_document";
        case UpdateFault::ServerError: return "server_error";
        case UpdateFault::Maintenance: return "maintenance";
        case UpdateFault::WrongDigest: return "wrong_digest";
        case UpdateFault::WrongSize: return "wrong_size";
        case UpdateFault::TruncatedBase64: return "truncated_base64";
        case UpdateFault::InvalidBase64: return "invalid_base64";
        case UpdateFault::ZipReversed: return "zip_reversed";
        case UpdateFault::ZipMissing: return "zip_missing";
        case UpdateFault::ZipExtra: return "zip_extra";
        case UpdateFault::ZipParent: return "zip_parent";
        case UpdateFault::ZipAbsolute: return "zip_absolute";
        case UpdateFault::ListParent: return "list_parent";
        case UpdateFault::ListLeadingSeparator: return "list_leading_separator";
        case UpdateFault::ListDrive: return "list_drive";
    }
    return "none";
}

// A field of the tree file: UTF-8 in tab-separated lines, so no tab or line break inside.
const std::string& field(const std::string& text) {
    if (text.find_first_of("\t\r\n") != std::string::npos || !platform::text::isValidUtf8(text))
        throw std::invalid_argument("an update tree text is not UTF-8 or holds a tab or a line break: " + text);
    return text;
}

}  // namespace

UpdateServer::UpdateServer(const pki::Hierarchy& pki, UpdateTree tree) : UpdateServer(pki, std::move(tree), "") {}

UpdateServer::UpdateServer(const pki::Hierarchy& pki, UpdateTree tree, std::string hostName)
    : m_hostName(std::move(hostName)), m_folder(makeTemporaryFolder("testkit-update")) {
    try {
        publish(tree);
        answer(UpdateFault::None);
        const pki::Credential credential = m_hostName.empty() ? localhostCredential(pki) : hostCredential(pki, m_hostName);
        m_service = startServerScript("update_server.py", m_folder, credential.write(m_folder, "server"), {}, m_port,
                                      "the update server");
    } catch (...) {
        stopAndRemove(m_service, m_folder);
        throw;
    }
}

UpdateServer::~UpdateServer() { stopAndRemove(m_service, m_folder); }

std::string UpdateServer::url() const {
    if (!m_hostName.empty()) return "https://" + m_hostName + "/cgi-bin/upgradeapp.cgi";
    return "https://127.0.0.1:" + std::to_string(m_port) + "/cgi-bin/upgradeapp.cgi";
}

void UpdateServer::mapHost() const { mapConnection(m_hostName, 443, m_port); }

void UpdateServer::publish(const UpdateTree& tree) {
    // Contents go to files of a new generation, so that a request being
    // answered from the old tree still finds its files.
    const std::string generation = "content-" + std::to_string(++m_generation);
    fs::create_directories(m_folder / generation);
    std::ostringstream lines;
    lines << "version\t" << field(tree.version) << "\n";
    for (const auto& folder : tree.folders)
        lines << "dir\t" << static_cast<int>(folder.location) << "\t" << (folder.dontTouch ? 1 : 0) << "\t"
              << field(folder.path) << "\n";
    for (std::size_t i = 0; i < tree.files.size(); ++i) {
        const auto& file = tree.files[i];
        const std::string name = generation + "/" + std::to_string(i);
        writeFile(m_folder / name, file.content);
        lines << "file\t" << static_cast<int>(file.location) << "\t" << (file.dontTouch ? 1 : 0) << "\t" << name
              << "\t" << field(file.path) << "\n";
    }
    replaceFile(m_folder / "tree", lines.str());
}

void UpdateServer::answer(UpdateFault fault) { replaceFile(m_folder / "fault", faultWord(fault)); }

std::vector<UpdateRequest> UpdateServer::requests() const {
    std::vector<UpdateRequest> out;
    for (auto& recorded : recordedRequests(m_folder, "xml"))
        out.push_back({recorded.field("target"), recorded.field("user-agent"), recorded.field("content-type"),
                       std::move(recorded.body), recorded.field("subtype"), recorded.field("zip"),
                       recorded.pairs("file")});
    return out;
}

}  // namespace testkit
