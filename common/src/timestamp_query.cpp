// timestamp_query.cpp: filling and encoding the request record.
#include "common/timestamp_query.h"

#include <cstring>
#include <random>

TTimeStampQuery::TTimeStampQuery() {
    m_request.size = sizeof m_request;
    m_request.certReq = 1;
}

void TTimeStampQuery::GenerateNonce() {
    // The system's random source, never rand(): a nonce must be
    // unpredictable and differ between requests, also two made in the same
    // second.
    std::random_device random;
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> first(1, 127);
    m_request.nonce = TtiInteger{};
    m_request.nonce.bytes[0] = static_cast<BYTE>(first(random));
    for (int i = 1; i < 8; ++i) m_request.nonce.bytes[i] = static_cast<BYTE>(byte(random));
    m_request.nonce.length = 8;
}

bool TTimeStampQuery::SetPolicy(const std::string& oid) {
    if (oid.size() >= sizeof m_request.policyOid) {
        m_result = TTI_E_PARAMETER;
        return false;
    }
    std::memset(m_request.policyOid, 0, sizeof m_request.policyOid);
    std::memcpy(m_request.policyOid, oid.data(), oid.size());
    return true;
}

std::string TTimeStampQuery::GetPolicy() const { return m_request.policyOid; }

bool TTimeStampQuery::SetMessageImprint(const std::vector<BYTE>& hash, const std::string& hashAlgOid) {
    TtiImprint imprint{};
    if (hash.size() > sizeof imprint.hash || hashAlgOid.size() >= sizeof imprint.hashAlgOid) {
        m_result = TTI_E_PARAMETER;
        return false;
    }
    std::memcpy(imprint.hashAlgOid, hashAlgOid.data(), hashAlgOid.size());
    if (!hash.empty()) std::memcpy(imprint.hash, hash.data(), hash.size());
    imprint.hashLength = static_cast<DWORD>(hash.size());
    m_request.imprint = imprint;
    return true;
}

bool TTimeStampQuery::Encode(std::vector<BYTE>& out) {
    if (!Load()) {
        m_result = TTI_E_NOT_LOADED;
        return false;
    }
    DWORD length = 0;
    m_result = m_EncodeTSQ_Ex(&m_request, nullptr, &length, m_encodeOption);
    if (m_result != TTI_OK && m_result != TTI_E_BUFFER_TOO_SMALL) return false;
    out.resize(length);
    m_result = m_EncodeTSQ_Ex(&m_request, out.data(), &length, m_encodeOption);
    if (m_result == TTI_OK) out.resize(length);
    return m_result == TTI_OK;
}
