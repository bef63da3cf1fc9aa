// CertInfo: the record in which a certificate travels through the system,
// holding the certificate itself (DER, Base64 and PEM) and every value a
// page, a dialog, a policy rule or a comparison reads, decoded once when the
// record is filled (TCryptoapi::GetCertInfo).
#pragma once

#include <string>
#include <vector>

#include "common/rdn_attr.h"
#include "win32/types.h"

// certClass bits.
inline constexpr DWORD kCertClassQualified = 1;    // carries qcStatements
inline constexpr DWORD kCertClassStandard = 2;     // commercial: issued by a "Standard" CA
inline constexpr DWORD kCertClassAuthority = 128;  // carries the authority's own extension

inline constexpr char kQcComplianceOid[] = "0.4.0.1862.1.1";
inline constexpr char kQcSscdOid[] = "0.4.0.1862.1.4";

struct CertInfo {
    // Every text, byte vector and list empty, every number 0, as after
    // construction.
    void Clear();

    // qcStatements hold QcCompliance.
    bool IsQualified() const;
    // qcStatements hold QcSSCD; without it and with strict 0, a certificate
    // valid from before 1 November 2010 00:00:00 UTC, when the statement did
    // not exist yet, counts as one on a secure device.
    bool IsSscd(DWORD strict) const;

    std::string label;  // left to the record's owner; the CSP name for container certificates
    std::string subjectSimpleName;
    std::string subjectDn;
    std::string issuerSimpleName;
    std::string issuerDn;
    std::vector<BYTE> subjectNameDer;
    std::string serialHex;      // lower case, most significant byte first
    std::string thumbprintHex;  // SHA-1, lower case, "xxxx xxxx ..."
    DWORD keyUsage = 0;         // first key-usage byte low, second byte high
    DWORD version = 0;          // as encoded: 2 for v3
    FILETIME notBefore{};
    FILETIME notAfter{};
    std::string pem;
    std::string base64Der;
    std::vector<BYTE> der;
    std::string authorityExtension;
    DWORD hasQcStatements = 0;
    std::vector<std::string> qcStatementOids;
    std::vector<std::string> policyOids;
    DWORD certClass = 0;
    std::string signatureAlgOid;
    std::string hashAlgOid;
    DWORD hasKeyProvInfo = 0;
    std::string providerName;
    DWORD providerType = 0;
    DWORD keyLength = 0;
    std::string containerName;
    DWORD keySpec = 0;
    std::vector<BYTE> authorityKeyId;
    std::vector<BYTE> subjectKeyId;
    std::vector<TRDNAttr> subjectRdn;
    std::vector<TRDNAttr> issuerRdn;
    std::vector<TRDNAttr> altNames;
    std::vector<TRDNAttr> enhancedKeyUsage;
    std::string comment;  // the Netscape comment, where the authority writes the card number
    std::vector<TRDNAttr> issuerAltNames;  // as altNames
};
