// trusted_store.cpp: the trusted certificates, in memory and in the registry.
#include "common/trusted_store.h"

#include <cstdlib>

#include "cert_manager_values.h"
#include "common/cert_context.h"
#include "common/strings.h"
#include "common/owned_context.h"

TCertTrustedStore* TCertTrustedStore::Instance() {
    static TCertTrustedStore store;
    return &store;
}

TCertTrustedStore::~TCertTrustedStore() = default;

void TCertTrustedStore::SetBaseKey(const std::string& baseKey) { m_baseKey = baseKey; }

void TCertTrustedStore::SetCheckMask(DWORD mask) { m_checkMask = mask; }

void TCertTrustedStore::Clear() { m_entries.clear(); }

bool TCertTrustedStore::Load() {
    Clear();
    if (m_baseKey.empty()) return false;
    CReg key;
    if (!key.Open(HKEY_CURRENT_USER, m_baseKey.c_str(), true)) return true;
    std::vector<std::string> texts;
    if (!ReadNumberedValues(key, texts)) return false;
    for (const auto& text : texts) {
        std::vector<std::string> pieces;
        if (!SplitString(text, ";", pieces, false) || pieces.size() < 2) continue;
        const auto flags = static_cast<DWORD>(std::strtoul(pieces[0].c_str(), nullptr, 10));
        AddFromPem(flags, pieces[1], false);
    }
    return true;
}

bool TCertTrustedStore::AddFromPem(DWORD flags, const std::string& pem, bool save) {
    CertInfo record;
    if (!CertInfoFromPem(pem, record)) return false;
    return Add(flags, record, save);
}

bool TCertTrustedStore::Add(DWORD flags, const CertInfo& record, bool save) {
    TTrustedEntry found;
    if (!FindEntry(record, found)) m_entries.push_back({flags, record});
    return save ? Save(false) : true;
}

bool TCertTrustedStore::FindEntry(PCCERT_CONTEXT context, TTrustedEntry& out) const {
    if (!context) return false;
    for (const auto& entry : m_entries) {
        if (CertInfoEquals(entry.certificate, context)) {
            out = entry;
            return true;
        }
    }
    return false;
}

bool TCertTrustedStore::FindEntry(const CertInfo& record, TTrustedEntry& out) const {
    const OwnedCertContext context(CertContextFromInfo(record));
    return FindEntry(context.get(), out);
}

DWORD TCertTrustedStore::GetTrust(PCCERT_CONTEXT context, DWORD bits) const {
    if ((bits & m_checkMask) == 0) return 1;
    TTrustedEntry entry;
    return FindEntry(context, entry) ? entry.flags & bits : 0;
}

bool TCertTrustedStore::Save(bool deleteStale) {
    if (m_baseKey.empty()) return false;
    std::vector<std::string> texts;
    for (const auto& entry : m_entries) texts.push_back(ULongToStr(entry.flags) + ";" + entry.certificate.pem);
    CReg key;
    const bool written = WriteNumberedValues(key, m_baseKey, texts);
    // Stale values go only after a complete write, so that a failed save
    // leaves the values of the earlier store as they were.
    if (written && deleteStale) {
        auto stale = static_cast<DWORD>(texts.size());
        while (key.DeleteValue(ULongToStr(stale).c_str())) ++stale;
    }
    return written;
}
