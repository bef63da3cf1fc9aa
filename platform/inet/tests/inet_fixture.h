// Shared pieces of the integration tests: one exchange's handles, closed
// at scope end, and the server certificates the HTTPS tests use,
// all issued under testkit's hierarchy.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "testkit/http_server.h"
#include "testkit/pki.h"
#include "win32/crypt_store.h"
#include "win32/error.h"
#include "win32/inet.h"

namespace inet_test {

struct Exchange {
    HINTERNET session = nullptr, connection = nullptr, request = nullptr;
    Exchange(const std::string& url, DWORD accessType = INTERNET_OPEN_TYPE_DIRECT, const char* proxy = nullptr);
    ~Exchange();
    Exchange(const Exchange&) = delete;
    Exchange& operator=(const Exchange&) = delete;

    void setTimeouts(DWORD ms);
    void setSecurityFlags(DWORD flags);
    // HttpSendRequestA; 0 on success, else the last error.
    DWORD send(const std::string& body = "");
    DWORD status();
    // The whole body; the last error of a failed read, else 0, in `error`.
    std::string readAll(DWORD& error, DWORD chunk = 16384);
};

// "https://127.0.0.1:<port>/..." pieces of testkit's ready-made hierarchy.
const testkit::pki::Hierarchy& hierarchy();
enum class ServerCert { Good, Expired, OtherName, UnknownCa, Revoked };
testkit::pki::Credential serverCredential(ServerCert kind);
// The root into the user's (or the machine's) Root store, the issuing CA
// into CA, and the CRL that revokes ServerCert::Revoked with it.
void trustHierarchy(DWORD location);

}  // namespace inet_test
