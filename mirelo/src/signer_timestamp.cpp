// Time stamps for a signature: the request to the time-stamp server and the
// token added to the signer of an encoded message.
#include "common/cert_context.h"
#include "common/cryptoapi.h"
#include "common/pkcs7.h"
#include "common/timestamp.h"
#include "common/timestamp_connection.h"
#include "common/timestamp_query.h"
#include "signer.h"
#include "signer_errors.h"
#include "signer_services.h"
#include "signer_timestamp_check.h"
#include "signer_wait_cursor.h"
#include "win32/ui.h"

namespace {

constexpr int kTsaCertificateList = 4;

// The TSA authentication certificate the user chose before: the first of
// its remembered list that is valid now and whose key the user's "MY"
// store holds. Null when there is none.
PCCERT_CONTEXT PresetTsaCertificate(TCertManager& certs) {
    std::vector<CertInfo> remembered;
    if (!certs.SelectCertificates(kTsaCertificateList, remembered, sgCertValid)) return nullptr;
    CertInfo withKey;
    if (!TCryptoapi::GetMessageCertsFromSystemStore(u"MY", remembered, withKey)) return nullptr;
    return CertContextFromInfo(withKey);
}

}  // namespace

LONG TSigner::AddTimeStamp(DWORD signer, const std::vector<BYTE>& message, std::vector<BYTE>& out) {
    SIGNER_TRACE();
    LastErrorKeeper keep;
    if (message.empty()) return kErrBadValue;
    TPkcs7 reader;
    if (const DWORD opened = reader.Open(message)) return static_cast<LONG>(opened);
    std::string hashOid;
    if (const DWORD read = reader.GetSignerHashAlgOid(signer, hashOid)) return static_cast<LONG>(read);
    std::vector<BYTE> signatureValue;
    if (const DWORD read = reader.GetSignerSignature(signer, signatureValue)) return static_cast<LONG>(read);

    std::vector<BYTE> token;
    if (const LONG requested = RequestTimeStamp(hashOid, signatureValue, token)) return requested;
    std::vector<BYTE> stamped;
    if (const DWORD added = TCryptoapi::AddTimeStampToken(signer, token, message, stamped))
        return static_cast<LONG>(added);
    out = std::move(stamped);
    return 0;
}

LONG TSigner::RequestTimeStamp(const std::string& hashOid, const std::vector<BYTE>& signatureValue,
                               std::vector<BYTE>& token) {
    SIGNER_TRACE();
    LastErrorKeeper keep;
    const WaitCursor waiting;
    const auto outcome = [this](LONG number, const std::string& text = {}) {
        Record(number, text);
        return number;
    };

    std::vector<BYTE> imprint;
    const ALG_ID algId = TCryptoapi::OidToAlgId(hashOid);
    if (TCryptoapi crypto; !algId || !crypto.HashVector(signatureValue, algId, imprint) || imprint.empty())
        return outcome(kErrHashFailed);

    TTimeStampQuery query;
    query.GenerateNonce();
    std::vector<BYTE> request;
    // A policy or imprint that does not fit is refused before anything is sent.
    if ((!m_tsaPolicy.empty() && !query.SetPolicy(m_tsaPolicy)) || !query.SetMessageImprint(imprint, hashOid) ||
        !query.Encode(request))
        return outcome(kErrTimeStampLibraryBase - query.GetResult());

    TTSAConnection connection;
    if (PCCERT_CONTEXT certificate = PresetTsaCertificate(m_certs)) {
        connection.SetClientCert(certificate);
        CertFreeCertificateContext(certificate);
    }
    connection.m_url = m_tsaUrl;
    connection.m_accessType = static_cast<DWORD>(m_accessType >= 4 ? kAccessPreconfigured : m_accessType);
    if (m_accessType == kAccessProxy) {
        connection.SetProxyServer(m_proxyServer);
        connection.SetProxyUser(m_proxyUser);
        connection.SetProxyPassword(m_proxyPassword);
    }
    // A server whose certificate does not chain to a trusted root is refused
    // without asking: the client certificate and the proxy's credentials
    // go only to servers that prove who they are.
    connection.m_certErrorsByDialog = 0;
    if (const int code = connection.Connect()) return outcome(kErrTsaConnection, connection.GetResultText(code));
    std::vector<BYTE> reply;
    const int sent = connection.SendRequest(request, reply, false);
    connection.Disconnect();
    if (sent == INET_E_CLIENT_CERT) return outcome(kErrTsaCertNotSet);
    if (sent == INET_E_CANCELLED) return outcome(kErrUserCancelled, connection.GetResultText(sent));
    if (sent) return outcome(kErrTsaConnection, connection.GetResultText(sent));

    TTimeStamp stamp;
    std::vector<BYTE> received;
    if (!stamp.UnpackResponse(reply, query.GetEncodeOption()) || !stamp.CheckResponseStatus(reply) ||
        !stamp.GetEncodedToken(reply, received))
        return outcome(kErrTimeStampLibraryBase - stamp.GetStatus(), stamp.GetStatusText());
    if (const TokenCheck checked = CheckTimeStampToken(received, query); checked.number)
        return outcome(checked.number, checked.text);
    // Under a signature policy the server's certificate must be one the
    // policy trusts for time stamps.
    if (IsSignPolicy()) {
        TPkcs7 signedToken;
        CertInfo tsa;
        if (signedToken.Open(received) || signedToken.GetSignerCertificate(0, tsa, nullptr) || !ValidateTsaCert(tsa))
            return outcome(kErrTsaOutsidePolicy);
    }
    token = std::move(received);
    return outcome(0);
}
