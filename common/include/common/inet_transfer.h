// TInetTransfer: posts one request body to one URL over HTTP or HTTPS
// through WinINet and returns the whole reply body. It carries its own
// configuration (IInetTransferConfig) and meets the server's and the
// proxy's demands (authentication, client certificate, certificate errors)
// through WinINet's dialogs or silently, as configured. Every operation
// returns 0 or one of the small negative codes below; nothing is thrown and
// nothing is logged here.
#pragma once

#include <string>
#include <vector>

#include "win32/crypt_types.h"
#include "win32/inet.h"

// Results of TInetTransfer's operations.
enum : int {
    INET_OK = 0,
    INET_E_WININET = -1,         // a WinINet error that is not handled; the dialog ended otherwise
    INET_E_HTTP_STATUS = -3,     // the server answered 400..599 other than 401 and 407 (status kept)
    INET_E_STATE = -4,           // Connect: already connected; SendRequest: not connected
    INET_E_OPEN_REQUEST = -5,    // the request could not be opened
    INET_E_NO_REPLY = -6,        // no accepted reply after three attempts, or a header could not be read
    INET_E_READ = -7,            // reading the reply body failed
    INET_E_CONTENT_TYPE = -8,    // the reply's content type does not contain the expected one
    INET_E_CLIENT_CERT = -9,     // the server asks for a client certificate and none is set
    INET_E_NO_URL = -10,
    INET_E_BAD_URL = -11,        // unparsable, no host or path, or neither http nor https
    INET_E_OPEN = -12,           // the internet handle could not be opened
    INET_E_CONNECT = -13,        // the connection could not be opened
    INET_E_OFFLINE = -14,
    INET_E_CANCELLED = -15,      // the user cancelled a WinINet dialog
};

// The settings the owner sets directly (the proxy ones also through setters).
class IInetTransferConfig {
public:
    virtual ~IInetTransferConfig() = default;

    void SetProxyServer(const std::string& server) { m_proxyServer = server; }
    void SetProxyUser(const std::string& user) { m_proxyUser = user; }
    void SetProxyPassword(const std::string& password) { m_proxyPassword = password; }

    DWORD m_timeout = 180;  // seconds, for connecting, sending and receiving
    std::string m_url;
    std::string m_userAgent = "Mozilla/4.0 (compatible; )";
    std::string m_proxyServer;  // a WinINet proxy list, used with access type 3
    std::string m_proxyUser;
    std::string m_proxyPassword;
    std::string m_userName;  // kept for the owner; no operation here sends them
    std::string m_password;
    DWORD m_clientCertByDialog = 0;  // 1: a request for a client certificate goes to the dialog
    DWORD m_certErrorsByDialog = 1;  // 1: a server-certificate problem is put to the user
    DWORD m_accessType = INTERNET_OPEN_TYPE_PRECONFIG;  // or _DIRECT, _PROXY
};

class TInetTransfer : public IInetTransferConfig {
public:
    TInetTransfer() = default;
    // Frees the client certificate and disconnects.
    ~TInetTransfer() override;
    TInetTransfer(const TInetTransfer&) = delete;
    TInetTransfer& operator=(const TInetTransfer&) = delete;

    // 1 when the machine may connect, else 0.
    virtual int IsOnline();
    // Closes the request, connection and internet handles that are open,
    // in that order; the result of closing the internet handle (0 when
    // there was none).
    virtual int Disconnect();
    // Parses the URL and opens the internet and connection handles.
    virtual int Connect();
    // Both add "name: value" to the open request, replacing an earlier
    // header of that name; CR and LF are dropped from name and value.
    // 0 without an open request.
    virtual BOOL AddRequestHeaderNumber(const std::string& name, DWORD number);
    virtual BOOL AddRequestHeaders(const std::string& name, const std::string& value);
    // Posts the body and appends the reply body to `reply`. With
    // ignoreUnknownCa, a server certificate from an unknown authority is
    // accepted (its other checks still apply).
    virtual int SendRequest(const std::vector<BYTE>& body, std::vector<BYTE>& reply, bool ignoreUnknownCa);
    virtual void SetContentType(const std::string& contentType);
    // The reply's content type must contain this text (compared without
    // regard to case); empty: any.
    virtual void SetAcceptType(const std::string& acceptType);

    // A null context changes nothing; otherwise a duplicate is kept for
    // client authentication, replacing the one held before.
    void SetClientCert(PCCERT_CONTEXT certificate);

    // Certificate checks waived without asking when m_certErrorsByDialog
    // is 0 (SECURITY_FLAG_IGNORE_*); none by default.
    DWORD m_securityFlags = 0;

protected:
    DWORD m_httpStatus = 0;  // the status of the last refused reply; 400 at the start of every send
    DWORD m_secure = 0;
    std::string m_contentType;
    std::string m_acceptType;
    std::string m_hostName;
    std::string m_path;
    DWORD m_port = 0;
    DWORD m_service = INTERNET_SERVICE_HTTP;
    HINTERNET m_internet = nullptr;
    HINTERNET m_connection = nullptr;
    HINTERNET m_request = nullptr;
    std::string m_verb = "POST";
    PCCERT_CONTEXT m_clientCert = nullptr;

private:
    int OpenRequest();
    int SendAttempts(const std::vector<BYTE>& body);
    int Authenticate();
    int HandleSendError(DWORD error);
    int CheckContentType();
    int ReadReply(std::vector<BYTE>& reply);
    void DrainReply();
};
