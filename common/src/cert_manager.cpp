// cert_manager.cpp: the remembered lists in memory: loading all of them,
// selecting from one, and putting a certificate at the front of one.
#include "common/cert_manager.h"

#include "common/cert_context.h"
#include "common/owned_context.h"
#include "cert_selection_checks.h"

namespace {

// The lists tell certificates apart by their texts, without decoding them.
bool SameCertificate(const CertInfo& a, const CertInfo& b) {
    return a.subjectDn == b.subjectDn && a.issuerDn == b.issuerDn && a.serialHex == b.serialHex;
}

bool PassesSelection(const CertInfo& record, DWORD flags) {
    const OwnedCertContext context(CertContextFromInfo(record));
    return PassesSelectionFlags(record, context.get(), flags);
}

}  // namespace

TCertManager::~TCertManager() = default;

void TCertManager::SetBaseKey(const std::string& baseKey) { m_baseKey = baseKey; }

void TCertManager::Clear() { m_lists.clear(); }

bool TCertManager::LoadAll() {
    Clear();
    for (int n = 0; n < kListCount; ++n) {
        std::vector<CertInfo> list;
        if (LoadList(n, list)) m_lists[n] = std::move(list);
    }
    return true;
}

bool TCertManager::SelectCertificates(int n, std::vector<CertInfo>& out, DWORD flags) {
    for (const auto& record : m_lists[n])
        if (PassesSelection(record, flags)) out.push_back(record);
    return !out.empty();
}

bool TCertManager::AddCertificate(int n, const CertInfo& record, bool save) {
    std::vector<CertInfo> list = m_lists[n];
    if (!list.empty() && SameCertificate(list.front(), record)) return true;
    std::erase_if(list, [&](const CertInfo& listed) { return SameCertificate(listed, record); });
    list.insert(list.begin(), record);
    m_lists[n] = std::move(list);
    return save ? SaveList(n) : true;
}
