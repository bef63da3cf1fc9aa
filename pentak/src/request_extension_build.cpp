// CEnroll: the collected extensions encoded into the request's one
// extension-request attribute, in the byte order of their OID texts.
#include <algorithm>

#include "encode_steps.h"
#include "enroll.h"

namespace {

// The alternative-name entries as CryptoAPI reads them; it points into the
// entries, which must stay as they are while it lives.
class AltNameView {
public:
    explicit AltNameView(std::vector<AltNameEntry>& entries) {
        m_otherNames.reserve(entries.size());
        for (AltNameEntry& entry : entries) m_entries.push_back(viewOf(entry));
    }
    AltNameView(const AltNameView&) = delete;
    AltNameView& operator=(const AltNameView&) = delete;

    CERT_ALT_NAME_INFO all() { return {static_cast<DWORD>(m_entries.size()), m_entries.data()}; }
    CERT_ALT_NAME_INFO one(std::size_t index) { return {1, &m_entries[index]}; }
    std::size_t size() const { return m_entries.size(); }

private:
    CERT_ALT_NAME_ENTRY viewOf(AltNameEntry& entry) {
        CERT_ALT_NAME_ENTRY view{};
        view.dwAltNameChoice = entry.choice;
        switch (entry.choice) {
        case CERT_ALT_NAME_OTHER_NAME:
            m_otherNames.push_back({entry.oid.data(), {static_cast<DWORD>(entry.value.size()), entry.value.data()}});
            view.pOtherName = &m_otherNames.back();
            break;
        case CERT_ALT_NAME_IP_ADDRESS:
            view.IPAddress = {static_cast<DWORD>(entry.value.size()), entry.value.data()};
            break;
        case CERT_ALT_NAME_REGISTERED_ID: view.pszRegisteredID = entry.oid.data(); break;
        default: view.pwszURL = entry.text.data(); break;  // RFC 822 name, DNS name, URL alike
        }
        return view;
    }

    std::vector<CERT_OTHER_NAME> m_otherNames;  // reserved, so never moved
    std::vector<CERT_ALT_NAME_ENTRY> m_entries;
};

std::vector<LPSTR> oidPointers(std::vector<std::string>& oids) {
    std::vector<LPSTR> pointers;
    for (std::string& oid : oids) pointers.push_back(oid.data());
    return pointers;
}

// The number of key-usage bits up to the last one set; 0 when none is.
DWORD usedKeyUsageBits(const std::array<BYTE, 3>& bits) {
    for (DWORD n = static_cast<DWORD>(bits.size()) * 8; n > 0; --n)
        if (bits[(n - 1) / 8] & (0x80 >> ((n - 1) % 8))) return n;
    return 0;
}

}  // namespace

void CEnroll::storeExtensionValue(const std::string& oid, std::vector<BYTE> value) {
    m_requestedExtensions[oid].value = std::move(value);
}

bool CEnroll::buildRequestedExtensions() {
    std::vector<BYTE> encoded;
    if (const DWORD used = usedKeyUsageBits(m_keyUsageBits)) {
        const DWORD bytes = (used + 7) / 8;
        const CRYPT_BIT_BLOB bits{bytes, m_keyUsageBits.data(), bytes * 8 - used};
        if (!EncodeStep(X509_BITS, &bits, encoded, 1940, 1942)) return false;
        storeExtensionValue(szOID_KEY_USAGE, encoded);
    }
    if (!m_extKeyUsageOids.empty()) {
        std::vector<LPSTR> usages = oidPointers(m_extKeyUsageOids);
        const CERT_ENHKEY_USAGE usage{static_cast<DWORD>(usages.size()), usages.data()};
        if (!EncodeStep(X509_ENHANCED_KEY_USAGE, &usage, encoded, 1973, 1975)) return false;
        storeExtensionValue(szOID_ENHANCED_KEY_USAGE, encoded);
    }
    if (!m_certPolicyOids.empty()) {
        std::vector<CERT_POLICY_INFO> policies;
        for (LPSTR oid : oidPointers(m_certPolicyOids)) policies.push_back({oid, 0, nullptr});
        const CERT_POLICIES_INFO info{static_cast<DWORD>(policies.size()), policies.data()};
        if (!EncodeStep(X509_CERT_POLICIES, &info, encoded, 2012, 2014)) return false;
        storeExtensionValue(szOID_CERT_POLICIES, encoded);
    }
    if (!m_subjectAltNames.empty()) {
        AltNameView names(m_subjectAltNames);
        const CERT_ALT_NAME_INFO info = names.all();
        if (!EncodeStep(X509_ALTERNATE_NAME, &info, encoded, 2048, 2050)) return false;
        storeExtensionValue(szOID_SUBJECT_ALT_NAME2, encoded);
    }
    if (!m_crlDistPoints.empty()) {
        // One distribution point per name: its full name, no reasons, no CRL
        // issuer.
        AltNameView names(m_crlDistPoints);
        std::vector<CRL_DIST_POINT> points(names.size());
        for (std::size_t i = 0; i < points.size(); ++i) {
            points[i].DistPointName.dwDistPointNameChoice = CRL_DIST_POINT_FULL_NAME;
            points[i].DistPointName.FullName = names.one(i);
        }
        const CRL_DIST_POINTS_INFO info{static_cast<DWORD>(points.size()), points.data()};
        if (!EncodeStep(X509_CRL_DIST_POINTS, &info, encoded, 2086, 2088)) return false;
        storeExtensionValue(szOID_CRL_DIST_POINTS, encoded);
    }

    std::vector<CERT_EXTENSION> extensions;
    for (auto& [oid, extension] : m_requestedExtensions) {
        if (!extension.value) continue;
        extensions.push_back({const_cast<char*>(oid.c_str()), extension.critical,
                              {static_cast<DWORD>(extension.value->size()), extension.value->data()}});
    }
    if (!extensions.empty()) {
        const CERT_EXTENSIONS all{static_cast<DWORD>(extensions.size()), extensions.data()};
        if (!EncodeStep(X509_EXTENSIONS, &all, encoded, 2133, 2135)) return false;
    }
    // A request carries at most one extension request: a rebuilt one
    // replaces the earlier one.
    std::erase_if(m_requestAttributes, [](const RequestAttribute& a) { return a.oid == szOID_CERT_EXTENSIONS; });
    if (!extensions.empty()) addRequestAttribute(szOID_CERT_EXTENSIONS, std::move(encoded));
    return true;
}
