// certificate_facts.cpp: the extensions of a certificate as the chain
// engine uses them.
#include "chain/certificate_facts.h"

#include <algorithm>
#include <string_view>

#include "platform/win_error.h"
#include "store/decoded.h"
#include "store/digest.h"
#include "win32/crypt_store.h"
#include "win32/error.h"

namespace platform::crypt::chain {

namespace {

using store::decodeObject;
using store::viewOf;

constexpr char kAnyUsage[] = "2.5.29.37.0";

// Extensions the engine or the name and policy checks act on, so a
// critical one is understood.
constexpr std::string_view kUnderstood[] = {
    szOID_KEY_USAGE,
    szOID_BASIC_CONSTRAINTS2,
    szOID_ENHANCED_KEY_USAGE,
    szOID_SUBJECT_ALT_NAME,
    szOID_SUBJECT_ALT_NAME2,
    szOID_ISSUER_ALT_NAME,
    szOID_ISSUER_ALT_NAME2,
    szOID_SUBJECT_KEY_IDENTIFIER,
    szOID_AUTHORITY_KEY_IDENTIFIER2,
    szOID_CRL_DIST_POINTS,
    szOID_CERT_POLICIES,
    szOID_AUTHORITY_INFO_ACCESS,
    szOID_QC_STATEMENTS_EXT,
    "2.5.29.30",  // name constraints
    "2.5.29.33",  // policy mappings
    "2.5.29.36",  // policy constraints
    "2.5.29.54",  // inhibit any policy
};

bool understood(std::string_view oid) {
    return std::find(std::begin(kUnderstood), std::end(kUnderstood), oid) != std::end(kUnderstood);
}

Bytes bytesOf(View v) {
    return Bytes(v.begin(), v.end());
}

AuthorityKeyId authorityKeyIdOf(View value) {
    const auto aki = decodeObject<CERT_AUTHORITY_KEY_ID2_INFO>(X509_AUTHORITY_KEY_ID2, value);
    AuthorityKeyId id{bytesOf(viewOf(aki->KeyId)), {}, bytesOf(viewOf(aki->AuthorityCertSerialNumber))};
    for (DWORD i = 0; i < aki->AuthorityCertIssuer.cAltEntry; ++i) {
        const CERT_ALT_NAME_ENTRY& entry = aki->AuthorityCertIssuer.rgAltEntry[i];
        if (entry.dwAltNameChoice == CERT_ALT_NAME_DIRECTORY_NAME) {
            id.issuerName = bytesOf(viewOf(entry.DirectoryName));
            break;
        }
    }
    return id;
}

// URLs are ASCII; one with other characters cannot be fetched and is left out.
void addUrl(const WCHAR* url, std::vector<std::string>& urls) {
    if (!url) return;
    std::string narrow;
    for (; *url; ++url) {
        if (*url >= 0x80) return;
        narrow.push_back(static_cast<char>(*url));
    }
    urls.push_back(std::move(narrow));
}

std::vector<std::string> crlUrlsOf(View value) {
    const auto points = decodeObject<CRL_DIST_POINTS_INFO>(X509_CRL_DIST_POINTS, value);
    std::vector<std::string> urls;
    for (DWORD i = 0; i < points->cDistPoint; ++i) {
        const CRL_DIST_POINT_NAME& name = points->rgDistPoint[i].DistPointName;
        if (name.dwDistPointNameChoice != CRL_DIST_POINT_FULL_NAME) continue;
        for (DWORD j = 0; j < name.FullName.cAltEntry; ++j)
            if (name.FullName.rgAltEntry[j].dwAltNameChoice == CERT_ALT_NAME_URL)
                addUrl(name.FullName.rgAltEntry[j].pwszURL, urls);
    }
    return urls;
}

void read(const CERT_EXTENSION& extension, CertificateFacts& facts) {
    const std::string_view oid = extension.pszObjId ? extension.pszObjId : "";
    const View value = viewOf(extension.Value);
    if (oid == szOID_BASIC_CONSTRAINTS2) {
        facts.basicConstraints = *decodeObject<CERT_BASIC_CONSTRAINTS2_INFO>(X509_BASIC_CONSTRAINTS2, value);
    } else if (oid == szOID_KEY_USAGE) {
        const auto bits = decodeObject<CRYPT_BIT_BLOB>(X509_KEY_USAGE, value);
        facts.keyUsage = bits->cbData ? bits->pbData[0] : BYTE{0};
    } else if (oid == szOID_AUTHORITY_KEY_IDENTIFIER2) {
        facts.authorityKeyId = authorityKeyIdOf(value);
    } else if (oid == szOID_SUBJECT_KEY_IDENTIFIER) {
        facts.keyId = bytesOf(viewOf(*decodeObject<CRYPT_DATA_BLOB>(szOID_SUBJECT_KEY_IDENTIFIER, value)));
    } else if (oid == szOID_CRL_DIST_POINTS) {
        facts.crlUrls = crlUrlsOf(value);
    } else if (oid == szOID_ENHANCED_KEY_USAGE) {
        decodeObject<CERT_ENHKEY_USAGE>(X509_ENHANCED_KEY_USAGE, value);
    } else if (oid == szOID_SUBJECT_ALT_NAME2 || oid == szOID_ISSUER_ALT_NAME2) {
        decodeObject<CERT_ALT_NAME_INFO>(X509_ALTERNATE_NAME, value);
    } else if (oid == szOID_CERT_POLICIES) {
        decodeObject<CERT_POLICIES_INFO>(X509_CERT_POLICIES, value);
    } else if (extension.fCritical && !understood(oid)) {
        facts.invalidExtension = true;
    }
}

// The usages of the extension and the property; a failure to read them
// leaves none, and the extension has already been found invalid.
std::optional<std::vector<std::string>> usagesOf(PCCERT_CONTEXT cert) {
    DWORD size = 0;
    if (!CertGetEnhancedKeyUsage(cert, 0, nullptr, &size)) return std::vector<std::string>{};
    std::vector<BYTE> block(size);
    auto* usage = reinterpret_cast<CERT_ENHKEY_USAGE*>(block.data());
    if (!CertGetEnhancedKeyUsage(cert, 0, usage, &size)) return std::vector<std::string>{};
    if (usage->cUsageIdentifier == 0 && GetLastError() == static_cast<DWORD>(CRYPT_E_NOT_FOUND)) return std::nullopt;
    std::vector<std::string> usages(usage->rgpszUsageIdentifier, usage->rgpszUsageIdentifier + usage->cUsageIdentifier);
    if (std::find(usages.begin(), usages.end(), kAnyUsage) != usages.end()) return std::nullopt;
    return usages;
}

}  // namespace

CertificateFacts factsOf(PCCERT_CONTEXT cert) {
    const CERT_INFO& info = *cert->pCertInfo;
    CertificateFacts facts;
    for (DWORD i = 0; i < info.cExtension; ++i) {
        try {
            read(info.rgExtension[i], facts);
        } catch (const WinError&) {
            facts.invalidExtension = true;
        }
    }
    if (facts.keyId.empty()) facts.keyId = store::digest(CALG_SHA1, viewOf(info.SubjectPublicKeyInfo.PublicKey));
    facts.usages = usagesOf(cert);
    return facts;
}

}  // namespace platform::crypt::chain
