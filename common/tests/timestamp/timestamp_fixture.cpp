#include "timestamp_fixture.h"

#include "common/cryptoapi.h"
#include "win32/crypt_store.h"

namespace timestamp_test {

const testkit::pki::Hierarchy& hierarchy() {
    static const auto made = testkit::pki::Hierarchy::make();
    return made;
}

void trust(const char16_t* store, const testkit::Bytes& der) {
    HCERTSTORE s = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, store);
    ASSERT_NE(nullptr, s);
    EXPECT_TRUE(CertAddEncodedCertificateToStore(s, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                                 CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
    CertCloseStore(s, 0);
}

std::vector<BYTE> sha256(const std::vector<BYTE>& data) {
    TCryptoapi crypto;
    std::vector<BYTE> hash;
    EXPECT_NE(0u, crypto.HashVector(data, TCryptoapi::OidToAlgId(kSha256Oid), hash));
    return hash;
}

Outcome fetchTimeStamp(const std::string& url, const std::vector<BYTE>& signatureValue, const RoadOptions& options) {
    Outcome out;
    out.imprint = sha256(signatureValue);

    TTimeStampQuery query;
    query.GenerateNonce();
    if (!options.policy.empty()) query.SetPolicy(options.policy);
    query.SetMessageImprint(out.imprint, kSha256Oid);
    std::vector<BYTE> request;
    if (!query.Encode(request)) return {"encode", query.GetResult()};

    TTSAConnection connection;
    connection.m_url = url;
    connection.m_timeout = options.timeout;
    connection.m_accessType = INTERNET_OPEN_TYPE_DIRECT;
    connection.m_certErrorsByDialog = 0;
    if (const int code = connection.Connect()) return {"connect", code, connection.GetResultText(code)};
    std::vector<BYTE> reply;
    const int code = connection.SendRequest(request, reply, false);
    connection.Disconnect();
    if (code) return {"send", code, connection.GetResultText(code)};

    TTimeStamp stamp;
    const auto failed = [&](const char* step) { return Outcome{step, stamp.GetStatus(), stamp.GetStatusText()}; };
    if (!stamp.UnpackResponse(reply, static_cast<DWORD>(query.GetResult()))) return failed("unpack");
    if (!stamp.CheckResponseStatus(reply)) return failed("status");
    if (!stamp.GetEncodedToken(reply, out.token)) return failed("token");
    if (!stamp.CheckToken(out.token, query) || !stamp.GetTokenInfo(out.token, out.info)) return failed("check");
    return out;
}

}  // namespace timestamp_test
