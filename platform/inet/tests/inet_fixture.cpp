#include "inet_fixture.h"

#include <stdexcept>

#include "win32/crypt_store.h"
#include "win32/error.h"

namespace inet_test {

using namespace testkit::pki;
using testkit::Bytes;

Exchange::Exchange(const std::string& url, DWORD accessType, const char* proxy) {
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = 1;
    parts.dwUrlPathLength = 1;
    if (!InternetCrackUrlA(url.c_str(), 0, 0, &parts)) throw std::runtime_error("bad URL " + url);
    const std::string host(parts.lpszHostName, parts.dwHostNameLength);
    const std::string path(parts.lpszUrlPath, parts.dwUrlPathLength);
    session = InternetOpenA("inet-test/1.0", accessType, proxy, nullptr, 0);
    connection = InternetConnectA(session, host.c_str(), parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    LPCSTR accept[] = {"*/*", nullptr};
    const DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0;
    request = HttpOpenRequestA(connection, "POST", path.c_str(), "HTTP/1.0", nullptr, accept, flags, 0);
    if (!request) throw std::runtime_error("cannot open a request for " + url);
}

Exchange::~Exchange() {
    for (HINTERNET h : {request, connection, session})
        if (h) InternetCloseHandle(h);
}

void Exchange::setTimeouts(DWORD ms) {
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionA(request, option, &ms, sizeof ms);
}

void Exchange::setSecurityFlags(DWORD flags) {
    InternetSetOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof flags);
}

DWORD Exchange::send(const std::string& body) {
    SetLastError(0);
    if (HttpSendRequestA(request, nullptr, 0, const_cast<char*>(body.data()), static_cast<DWORD>(body.size())))
        return 0;
    return GetLastError();
}

DWORD Exchange::status() {
    DWORD status = 0, size = sizeof status;
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) return 0;
    return status;
}

std::string Exchange::readAll(DWORD& error, DWORD chunk) {
    std::string body;
    std::vector<char> buffer(chunk);
    error = 0;
    for (DWORD read = 0;;) {
        if (!InternetReadFile(request, buffer.data(), chunk, &read)) {
            error = GetLastError();
            return body;
        }
        if (read == 0) return body;
        body.append(buffer.data(), read);
    }
}

const Hierarchy& hierarchy() {
    static const Hierarchy h = Hierarchy::make();
    return h;
}

namespace {

constexpr std::string_view kServerAuth = "1.3.6.1.5.5.7.3.1";
const Bytes kRevokedSerial = {0x7E, 0x57, 0x01};

// For 127.0.0.1, as the tests' URLs name the server, unless told otherwise.
CertificateBuilder serverBuilder(const Credential& issuer, const std::string& dnsName = "") {
    CertificateBuilder b;
    b.subject(Name{{"CN", dnsName.empty() ? "127.0.0.1" : dnsName}})
        .issuedBy(issuer)
        .keyUsage(kDigitalSignature | kKeyEncipherment)
        .extendedKeyUsage({std::string(kServerAuth)})
        .subjectAltNames({dnsName.empty() ? GeneralName::ip("127.0.0.1") : GeneralName::dns(dnsName)});
    return b;
}

}  // namespace

Credential serverCredential(ServerCert kind) {
    const auto& h = hierarchy();
    switch (kind) {
    case ServerCert::Good:
        return serverBuilder(h.standardCa).build();
    case ServerCert::Expired:
        return serverBuilder(h.standardCa).validity(fromNow(-std::chrono::hours(48)), fromNow(-std::chrono::hours(24))).build();
    case ServerCert::OtherName:
        return serverBuilder(h.standardCa, "elsewhere.example").build();
    case ServerCert::UnknownCa:
        return serverBuilder(h.untrustedRoot).build();
    case ServerCert::Revoked:
        return serverBuilder(h.standardCa).serial(kRevokedSerial).build();
    }
    throw std::invalid_argument("server certificate kind");
}

void trustHierarchy(DWORD location) {
    const auto& h = hierarchy();
    const auto add = [location](const char16_t* store, const Bytes& der, bool crl) {
        HCERTSTORE s = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, location, store);
        const BOOL ok = crl ? CertAddEncodedCRLToStore(s, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                                       CERT_STORE_ADD_ALWAYS, nullptr)
                            : CertAddEncodedCertificateToStore(s, X509_ASN_ENCODING, der.data(),
                                                               static_cast<DWORD>(der.size()), CERT_STORE_ADD_ALWAYS,
                                                               nullptr);
        CertCloseStore(s, 0);
        if (!ok) throw std::runtime_error("cannot fill the certificate stores");
    };
    add(u"Root", h.root.certificate.der(), false);
    add(u"CA", h.standardCa.certificate.der(), false);
    add(u"CA", CrlBuilder(h.standardCa).revoke(kRevokedSerial).build().der(), true);
}

}  // namespace inet_test
