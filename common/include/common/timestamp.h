// TTimeStamp: an RFC 3161 time-stamp reply taken apart by the time-stamp
// library: its framing, its status, its token, the token's information and
// the token checked against the request it answers. Each step keeps a
// status (0 or the library's negative status) and, for the caller's
// message, a text.
#pragma once

#include <string>
#include <vector>

#include "common/timestamp_library.h"
#include "common/timestamp_query.h"

// Names of RFC 3161 PKIStatus values and PKIFailureInfo bit numbers; empty
// for any other value.
std::string PkiStatusText(int status);
std::string PkiFailureInfoText(int bit);

class TTimeStamp : public TtiLib {
public:
    // Cuts the reply to the DER response it holds. On failure the text is
    // "respcode:" and the library's response code.
    bool UnpackResponse(std::vector<BYTE>& reply, DWORD flag);
    // PKIStatus 0 (granted) and 1 (granted with modifications) pass; any
    // other gives -9 and "<status>:<name>, <failure bit>: <name>, <text>".
    // A reply the library cannot read gives its status and the reply's
    // first bytes as text, made safe to show.
    bool CheckResponseStatus(const std::vector<BYTE>& reply);
    // The DER TimeStampToken (a CMS SignedData) the reply carries.
    bool GetEncodedToken(const std::vector<BYTE>& reply, std::vector<BYTE>& token);
    bool GetTokenInfo(const std::vector<BYTE>& token, TtiTokenInfo& info);
    // The token answers this request: its signature verifies with the TSA
    // certificate it carries (-8, or -14 and -16 for a certificate that is
    // no TSA's or that the token does not name), and its message imprint and
    // nonce are the request's (-12, with a text saying which).
    bool CheckToken(const std::vector<BYTE>& token, const TTimeStampQuery& query);

    int GetStatus() const { return m_result; }
    const std::string& GetStatusText() const { return m_resultText; }

private:
    bool Fail(int result, std::string text = {});

    int m_result = 0;
    std::string m_resultText;
};
