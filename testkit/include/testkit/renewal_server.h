// The renewal program's renewal server for tests: HTTPS on 127.0.0.1 with a
// certificate for the host name the program knows the server by (from the
// hierarchy's standard CA, sent with its chain), reached through the
// layer's connection map. It takes every body apart as the certification
// authority does: the Tesk Kyd armour, the container (Python's zipfile; its
// folders separated by "/" or "\"), its signature (`openssl cms -verify`,
// signed by the certificate being renewed and chaining to the hierarchy's
// root through its CAs, carried or not), each renewal document
// (`xmllint --relaxng` with halvex's schema, UserData only in the container's
// document, the billing types and delivery form the test expects), each
// PKCS#10 request (`openssl req -verify`, a key other than the renewed
// certificate's) and each PKCS#7 block after the container (`openssl cms
// -verify -inform PEM`). It answers with a request number per certificate,
// or, when told, with another reply; a request that fails a check is
// refused (code 400, the reason as message). It records every request.
// It runs testkit's scripts/renewal_server.py under /usr/bin/python3.
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

// How every request that passes the checks is answered from now on.
enum class RenewalReply {
    Numbers,                 // Body status "ok", one ReqID per certificate with its ca_type
    AcceptedWithoutNumbers,  // status "ok", no ReqID
    NumberWithoutText,       // a ReqID with ca_type and no text
    NumberWithoutCaType,     // a ReqID with a number and no ca_type
    Refusal,                 // status "error", Code 503, a Message with markup and a link to a program command
    RefusalWithoutMessage,   // status "error", Code 503, no Message
    RefusalWithoutCode,      // status "error", a Message, no Code
    WrongStatus,             // status "accepted"
    NoStatus,                // a Body without status
    NotWellFormed,           // an HTML page that is not well-formed XML
    Long,                    // the numbers after a 320 kB comment, without Content-Length
    Reset,                   // the connection reset instead of a reply
};

// What the documents must say; empty: anything valid.
struct RenewalExpectations {
    std::vector<std::string> billingTypes;  // of the container's document, then of each PKCS#7 block's
    std::string certSend;                   // "zip" or "yes", in every document
};

// What the server got, one per request, oldest first.
struct RenewalRequest {
    std::string target;
    std::string userAgent;
    std::string contentType;
    std::string body;     // as received
    std::string verdict;  // "ok", or why the request was refused
    // (ca_type, number) of every request number the reply carried.
    std::vector<std::pair<std::string, std::string>> numbers;
};

class RenewalServer {
public:
    // `renewed` is the certificate whose holder signs the container.
    RenewalServer(const pki::Hierarchy& pki, const pki::Certificate& renewed, std::string hostName);
    ~RenewalServer();
    RenewalServer(const RenewalServer&) = delete;
    RenewalServer& operator=(const RenewalServer&) = delete;

    const std::string& hostName() const noexcept { return m_hostName; }
    std::uint16_t port() const noexcept { return m_port; }
    // "https://<host name>/cgi-bin/renreq3.cgi"; other paths are refused.
    std::string url() const;
    // Sends the host name's port 443 to this server in the current
    // platform root's connection map.
    void mapHost() const;

    void answer(RenewalReply reply);
    void expect(const RenewalExpectations& expectations);
    std::vector<RenewalRequest> requests() const;

private:
    std::string m_hostName;
    std::filesystem::path m_folder;
    std::unique_ptr<Service> m_service;
    std::uint16_t m_port = 0;
};

}  // namespace testkit
