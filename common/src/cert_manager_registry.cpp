// cert_manager_registry.cpp: the remembered lists in the registry: reading
// and writing one list, and moving a list out of the older single-value
// form.
#include "common/cert_context.h"
#include "common/cert_manager.h"
#include "common/int_text.h"
#include "cert_manager_values.h"
#include "cert_selection_checks.h"

std::string TCertManager::listKey(int n) const { return m_baseKey + "\\" + IntToStr(n); }

bool TCertManager::LoadList(int n, std::vector<CertInfo>& out) {
    if (m_baseKey.empty()) return false;
    CReg key;
    if (!key.Open(HKEY_CURRENT_USER, listKey(n).c_str(), true)) {
        CertInfo record;
        if (!TakeStoredCertificate(n, record)) return false;
        if (IsTimeValidNow(record)) out.push_back(std::move(record));
        return true;
    }
    std::vector<std::string> texts;
    if (!ReadNumberedValues(key, texts)) return false;
    // Certificates that do not decode or are out of their validity period
    // are left out here but stay in the registry until the list is saved.
    for (const auto& text : texts) {
        CertInfo record;
        if (CertInfoFromPem(text, record) && IsTimeValidNow(record)) out.push_back(std::move(record));
    }
    return true;
}

bool TCertManager::SaveList(int n) {
    if (m_baseKey.empty()) return false;
    std::vector<std::string> texts;
    for (const auto& record : m_lists[n]) texts.push_back(record.pem);
    CReg key;
    return WriteNumberedValues(key, listKey(n), texts);
}

DWORD TCertManager::TakeStoredCertificate(int index, CertInfo& record) {
    if (m_baseKey.empty()) return 0;
    const std::string name = IntToStr(index);
    std::string pem;
    {
        CReg base;
        if (!base.Open(HKEY_CURRENT_USER, m_baseKey.c_str(), true) || !base.QueryStringValue(name.c_str(), pem))
            return 0;
    }
    const DWORD decoded = CertInfoFromPem(pem, record);
    // The old value goes only once the list's own key holds the certificate,
    // so a failed write loses nothing; one that does not decode stays as it
    // was found.
    CReg key;
    if (decoded && WriteNumberedValues(key, listKey(index), {record.pem})) {
        CReg base;
        if (base.Open(HKEY_CURRENT_USER, m_baseKey.c_str(), false)) base.DeleteValue(name.c_str());
    }
    return decoded;
}
