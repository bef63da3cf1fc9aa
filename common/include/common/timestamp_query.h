// TTimeStampQuery: an RFC 3161 time-stamp request, kept in the request
// record of the time-stamp library and encoded by it.
#pragma once

#include <string>
#include <vector>

#include "common/timestamp_library.h"

class TTimeStampQuery : public TtiLib {
public:
    // An empty request that asks for the TSA's certificate.
    TTimeStampQuery();

    // 8 bytes from the system's random source. The first lies in 1..127,
    // so that the nonce is a positive DER INTEGER of exactly these bytes
    // and comes back from the TSA unchanged.
    void GenerateNonce();
    // Empty: no policy. False (result -1) for an OID text of 128 characters
    // or more; the request is then unchanged.
    bool SetPolicy(const std::string& oid);
    std::string GetPolicy() const;
    // False (result -1) for a hash over 128 bytes or an OID text of 128
    // characters or more; the request is then unchanged.
    bool SetMessageImprint(const std::vector<BYTE>& hash, const std::string& hashAlgOid);
    TtiImprint GetMessageImprint() const { return m_request.imprint; }
    TtiInteger GetNonce() const { return m_request.nonce; }

    // The DER TimeStampReq; false with the library's status as the result.
    bool Encode(std::vector<BYTE>& out);
    int GetResult() const { return m_result; }
    DWORD GetEncodeOption() const { return m_encodeOption; }

private:
    TtiRequest m_request{};
    DWORD m_encodeOption = 0;
    int m_result = 0;
};
