// The objects behind HINTERNET: an internet session, a connection to one
// server, and a request on it. Each handle has its own copy of the options
// its parent had when it was opened.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <variant>

#include "platform/win_error.h"
#include "transfer.h"
#include "win32/inet.h"

namespace platform::inet {

struct Options {
    Timeouts timeouts;
    std::string user, password;  // the server's
    std::string proxyUser, proxyPassword;
};

struct Session {
    std::string agent;
    DWORD accessType = INTERNET_OPEN_TYPE_PRECONFIG;
    std::string proxyList, proxyBypass;
};

struct Handle;

struct Connection {
    std::shared_ptr<const Handle> session;
    std::string host;
    INTERNET_PORT port = 0;  // 0: the scheme's default
};

struct Request {
    std::shared_ptr<const Handle> connection;
    std::string verb, object;
    bool http10 = false;
    bool secure = false;
    DWORD securityFlags = 0;
    HeaderList headers;
    std::shared_ptr<const ClientCredential> clientCertificate;
    std::unique_ptr<Transfer> transfer;  // the last send's reply
    // Set when the handle is closed: a send or a read under way on another
    // thread then ends with ERROR_INTERNET_OPERATION_CANCELLED.
    std::shared_ptr<std::atomic<bool>> closed = std::make_shared<std::atomic<bool>>(false);
};

struct Handle {
    Options options;
    std::variant<Session, Connection, Request> object;
};

HINTERNET addHandle(std::shared_ptr<Handle> handle);
std::shared_ptr<Handle> findHandle(HINTERNET h);  // throws WinError(ERROR_INVALID_HANDLE)
void removeHandle(HINTERNET h);

// The handle's object of that kind; ERROR_INTERNET_INCORRECT_HANDLE_TYPE otherwise.
template <class T>
T& objectOf(Handle& handle) {
    if (auto* object = std::get_if<T>(&handle.object)) return *object;
    throw WinError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE, "wrong kind of internet handle");
}
template <class T>
const T& objectOf(const Handle& handle) {
    return objectOf<T>(const_cast<Handle&>(handle));
}

}  // namespace platform::inet
