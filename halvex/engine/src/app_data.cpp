#include "halvex/app_data.h"

#include <algorithm>

#include "halvex/settings.h"

namespace halvex {
namespace {

constexpr RequestType kRequestTypes[] = {
    {kRequestQualified, u"QC", u"cp_qc.pdf", 33013, 33020, 33006},
    {kRequestCommercial, u"SC", u"cp_sc.pdf", 33017, 0, 33007},
    {kRequestParvelPair | kRequestQualified, u"QD", u"cp_qc.pdf", 33112, 33111, 33108},
    {kRequestParvelPair | kRequestCommercial, u"SD", u"cp_sc.pdf", 33112, 33111, 33108},
};

}  // namespace

std::u16string NormalizeSha1Oid(const std::u16string& oid) { return oid == kSha1RsaOid ? kSha1RsaShortOid : oid; }

TAppData& TAppData::Instance() {
    static TAppData instance;
    return instance;
}

TAppData::TAppData()
    : m_hashAlgorithms{kSha256RsaOid, u"1.2.840.113549.1.1.13"}, m_requestTypeCodes(u"SC,SS,QC,QS,QD,") {
    m_initialised = true;
}

void TAppData::SetConfigurationFolder(const std::u16string& folder) {
    m_configurationFolder = folder;
    m_settingsPath.clear();
    if (folder.empty()) return;
    const bool hasSeparator = folder.back() == u'\\' || folder.back() == u'/';
    m_settingsPath = folder + (hasSeparator ? u"" : u"\\") + kSettingsFileName;
}

bool TAppData::LoadCspList() { return LoadProviderSettings(m_settingsPath, m_providers); }

DWORD TAppData::RequestKind(const std::u16string& type) const {
    if (type.size() < 2) return 0;
    const std::u16string code = type.substr(type.size() - 2);
    const auto* found = std::find_if(std::begin(kRequestTypes), std::end(kRequestTypes),
                                     [&](const RequestType& row) { return code == row.code; });
    if (found == std::end(kRequestTypes)) return 0;
    return found->kind | (type.size() == 3 && type[0] == u'R' ? kRequestRenewal : 0);
}

const RequestType* TAppData::FindRequestType(DWORD kind) const {
    // The authority-family and lawyer-card bits mark a renewal of the same
    // certificate type.
    const DWORD type = kind & (kRequestQualified | kRequestCommercial | kRequestParvelPair);
    const auto* found = std::find_if(std::begin(kRequestTypes), std::end(kRequestTypes),
                                     [&](const RequestType& row) { return row.kind == type; });
    return found == std::end(kRequestTypes) ? nullptr : found;
}

bool TAppData::IsListedHash(const std::u16string& oid) const {
    return std::find(m_hashAlgorithms.begin(), m_hashAlgorithms.end(), oid) != m_hashAlgorithms.end();
}

DWORD TAppData::ProviderFlags(const std::u16string& providerName) const {
    const auto entry = m_providers.Lookup(providerName);
    return entry ? entry->flags : 0;
}

}  // namespace halvex
