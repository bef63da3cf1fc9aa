// The readers of the signatures in the signer's message: count, signing
// time, algorithm names, and the values of a signer's time-stamp token and
// of its signature-policy identifier.
#include "common/cryptoapi.h"
#include "common/log.h"
#include "common/codepage.h"
#include "common/strings.h"
#include "common/time_text.h"
#include "common/timestamp.h"
#include "common/timestamp_time.h"
#include "signer.h"
#include "signer_errors.h"
#include "signer_values.h"

namespace {

std::string groupedBytes(const BYTE* bytes, std::uint32_t length) {
    std::string text;
    return BytesToHexGrouped(bytes, length, true, text);
}

// Upper-case hexadecimal with a blank after every second byte.
std::string digestText(const BYTE* bytes, std::uint32_t length) {
    return ToUpper(BytesToHex(bytes, length, 2, " "));
}

}  // namespace

TPkcs7& TSigner::Pkcs7() { return m_pkcs7; }

bool TSigner::Pkcs7Clear() {
    SIGNER_TRACE();
    m_pkcs7.Close();
    return Record(0);
}

bool TSigner::Pkcs7GetSignerCount(LONG& count) {
    SIGNER_TRACE();
    DWORD signers = 0;
    const DWORD number = m_pkcs7.GetSignerCount(signers);
    if (number == 0) count = static_cast<LONG>(signers);
    return Record(static_cast<LONG>(number));
}

bool TSigner::Pkcs7GetSignerSigningTime(LONG index, DATE& date) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "index: " + std::to_string(index));
    FILETIME time{};
    const DWORD number = m_pkcs7.GetSignerSigningTime(static_cast<DWORD>(index), time);
    if (number == 0) date = FileTimeToVariantDate(time);
    return Record(static_cast<LONG>(number));
}

bool TSigner::Pkcs7GetSignerSigningTimeLocal(LONG index, DATE& date) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "index: " + std::to_string(index));
    FILETIME time{};
    const DWORD number = m_pkcs7.GetSignerSigningTime(static_cast<DWORD>(index), time);
    if (number == 0) date = FileTimeToVariantDate(UtcToLocalAt(time));
    return Record(static_cast<LONG>(number));
}

bool TSigner::Pkcs7GetSignerHashAlgorithmStr(LONG index, std::string& name) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "index: " + std::to_string(index));
    std::string oid;
    const DWORD number = m_pkcs7.GetSignerHashAlgOid(static_cast<DWORD>(index), oid);
    if (number == 0) name = DigestAlgorithmName(oid);
    return Record(static_cast<LONG>(number));
}

bool TSigner::Pkcs7GetSignerAlgorithmStr(LONG index, std::string& name) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "index: " + std::to_string(index));
    std::string digestOid;
    std::string signatureOid;
    DWORD number = m_pkcs7.GetSignerHashAlgOid(static_cast<DWORD>(index), digestOid);
    if (number == 0) number = m_pkcs7.GetSignerSignAlgOid(static_cast<DWORD>(index), signatureOid);
    if (number == 0) {
        name = DigestAlgorithmName(digestOid) + TCryptoapi::GetSignatureKeyAlgName(signatureOid);
    }
    return Record(static_cast<LONG>(number));
}

bool TSigner::Pkcs7GetSignerTimeStampValue(LONG index, LONG selector, std::string& out) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "index: " + std::to_string(index));
    Log(sgLogLevelDebug, "val_type : " + std::to_string(selector));
    std::vector<BYTE> token;
    LONG number = static_cast<LONG>(m_pkcs7.GetSignerTimeStampToken(static_cast<DWORD>(index), token));
    TimeStampRecord record;
    if (number == 0) number = BuildTimeStampRecord(token, record);
    if (number == 0) number = FormatTimeStampValue(record, selector, out);
    return Record(number);
}

bool TSigner::Pkcs7GetSignerPolicyIdValue(LONG index, LONG selector, std::string& out) {
    SIGNER_TRACE();
    Log(sgLogLevelDebug, "index: " + std::to_string(index));
    Log(sgLogLevelDebug, "val_type : " + std::to_string(selector));
    SignPolicyId id;
    LONG number = static_cast<LONG>(m_pkcs7.GetSignerPolicyId(static_cast<DWORD>(index), id));
    if (number == 0 && id.policyOid.empty()) number = kErrNoPolicy;
    if (number == 0) number = FormatSignPolicyIdValue(id, selector, out);
    return Record(number);
}

LONG TSigner::BuildTimeStampRecord(const std::vector<BYTE>& token, TimeStampRecord& record) {
    TTimeStamp reader;
    TtiTokenInfo info{};
    if (!reader.GetTokenInfo(token, info)) return kErrTimeStampLibraryBase - reader.GetStatus();
    record.policyOid = info.policyOid;
    record.serial = groupedBytes(info.serial.bytes, info.serial.length);
    record.nonce = groupedBytes(info.nonce.bytes, info.nonce.length);
    record.tsaName = Utf8ToAnsi(info.tsaName);
    record.time = ParseGeneralizedTime(info.genTime);
    record.version = static_cast<LONG>(info.version);
    record.imprintAlgOid = info.imprint.hashAlgOid;
    record.imprintDigest = digestText(info.imprint.hash, info.imprint.hashLength);

    TPkcs7 message;
    std::vector<BYTE> content;
    DWORD number = message.Open(token);
    if (number == 0) number = message.GetSignerHashAlgOid(0, record.signatureAlgOid);
    if (number == 0) number = message.GetContent(content);
    if (number != 0) return static_cast<LONG>(number);
    return ComputeHash(content, TCryptoapi::OidToAlgId(record.signatureAlgOid), record.signatureDigest, true);
}
