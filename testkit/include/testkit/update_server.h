// The upgrade client's update server for tests: HTTPS on 127.0.0.1 with a
// certificate for 127.0.0.1 (or for a host name reached through the
// connection map) from the hierarchy's standard CA (sent with its chain), answering getfilelist and both getfile forms (one file, several
// files in a ZIP written by Python's zipfile) from a published tree. It
// records every request and can be told to answer wrongly. It runs
// testkit's scripts/update_server.py under /usr/bin/python3.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "testkit/pki.h"

namespace testkit {

class Service;

// Where a file or folder belongs: the program folder, the system folder, or
// the system folder as a COM server to register.
enum class UpdateLocation { Program = 1, System = 2, SystemCom = 3 };

struct UpdateFolder {
    UpdateLocation location = UpdateLocation::Program;
    std::string path;  // UTF-8, '/' between names, as on the wire
    bool dontTouch = false;
};

struct UpdateFile {
    UpdateLocation location = UpdateLocation::Program;
    std::string path;  // UTF-8, '/' between names, as on the wire
    std::string content;
    bool dontTouch = false;
};

struct UpdateTree {
    std::string version;  // the Version text, e.g. "2.1.0"
    std::vector<UpdateFolder> folders;
    std::vector<UpdateFile> files;
};

// How every request is answered from now on.
enum class UpdateFault {
    None,
    SchemaInvalid,      // well-formed, but Body has status "fine" and an unknown first child
    NotXml,             // an HTML page that is not well-formed XML
    NoContentLength,    // the good reply without Content-Length, ended by closing
    LongerThanAnnounced,  // the good reply in HTTP/1.1 chunks, its Content-Length half its length
    HugeAnnouncement,   // Content-Length 600 MiB, then the good reply and the connection closed
    ErrorDocument,      // status 200, Body status "error" with Error Code "500" and a Message
    ServerError,        // the same document with HTTP status 500
    Maintenance,        // OK with repo_update "yes" and nothing else
    WrongDigest,        // file list: every Hash is another valid digest
    WrongSize,          // file list: every FileSize one more than the content
    TruncatedBase64,    // getfile: the Base64 text cut inside a group, after about half
    InvalidBase64,      // getfile: "*!" inserted in the middle of the Base64 text
    ZipReversed,        // ZIP: entries in the opposite order to the request
    ZipMissing,         // ZIP: the last requested entry left out
    ZipExtra,           // ZIP: one more entry, "extra.txt", at the end
    ZipParent,          // ZIP: the first entry's name begins with "../"
    ZipAbsolute,        // ZIP: the first entry's name begins with "/"
    ListParent,         // file list: the first file's Path begins with "../"
    ListLeadingSeparator,  // file list: the first file's Path begins with "/"
    ListDrive,          // file list: the first file's Path begins with "C:/"
};

// What the server got, one per request, oldest first.
struct UpdateRequest {
    std::string target;  // the request target, e.g. "/cgi-bin/upgradeapp.cgi"
    std::string userAgent;
    std::string contentType;
    std::string body;     // the XML as received
    std::string subType;  // Header/SubType; empty when the body is not XML
    std::string zip;      // DownloadRequest's zip attribute; empty without one
    // Location text and Path of every File element, in document order.
    std::vector<std::pair<std::string, std::string>> files;
};

class UpdateServer {
public:
    UpdateServer(const pki::Hierarchy& pki, UpdateTree tree);
    // The same with a certificate for the host name a program knows the
    // server by; mapHost sends that name's port 443 to it.
    UpdateServer(const pki::Hierarchy& pki, UpdateTree tree, std::string hostName);
    ~UpdateServer();
    UpdateServer(const UpdateServer&) = delete;
    UpdateServer& operator=(const UpdateServer&) = delete;

    // "https://127.0.0.1:<port>/cgi-bin/upgradeapp.cgi", or
    // "https://<host name>/cgi-bin/upgradeapp.cgi"; other paths get 404.
    std::string url() const;
    // Sends the host name's port 443 to this server in the current
    // PLATFORM_ROOT's connection map.
    void mapHost() const;
    std::uint16_t port() const noexcept { return m_port; }

    // Replaces the tree; the next request sees the new one. Texts that are
    // not UTF-8 or hold a tab, CR or LF are refused (std::invalid_argument).
    void publish(const UpdateTree& tree);
    void answer(UpdateFault fault);
    std::vector<UpdateRequest> requests() const;

private:
    std::string m_hostName;
    std::filesystem::path m_folder;
    std::unique_ptr<Service> m_service;
    std::uint16_t m_port = 0;
    unsigned m_generation = 0;
};

}  // namespace testkit
