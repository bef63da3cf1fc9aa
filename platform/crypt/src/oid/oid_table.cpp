#include "oid/oid_table.h"

#include <vector>

#include "win32/crypt_encode.h"

namespace platform::crypt::oid {

namespace {

// Extra information: the public-key algorithm of a signature, with the
// provider type that can compute it; the value types of a name attribute.
DWORD kRsaSign[] = {CALG_RSA_SIGN};
DWORD kRsaSignAes[] = {CALG_RSA_SIGN, 0, PROV_RSA_AES};
DWORD kDssSign[] = {CALG_DSS_SIGN};
DWORD kEcdsaSign[] = {CALG_ECDSA};
DWORD kDirectoryString[] = {CERT_RDN_PRINTABLE_STRING, CERT_RDN_UNICODE_STRING, 0};
DWORD kPrintable[] = {CERT_RDN_PRINTABLE_STRING, 0};
DWORD kIa5[] = {CERT_RDN_IA5_STRING, 0};
DWORD kDomainComponent[] = {CERT_RDN_IA5_STRING, CERT_RDN_UTF8_STRING, 0};

template <std::size_t N>
CRYPT_DATA_BLOB extra(DWORD (&values)[N]) {
    return {static_cast<DWORD>(sizeof values), reinterpret_cast<BYTE*>(values)};
}

CRYPT_OID_INFO row(LPCSTR oid, LPCWSTR name, DWORD group, DWORD value = 0, CRYPT_DATA_BLOB more = {}) {
    CRYPT_OID_INFO info{};
    info.cbSize = sizeof info;
    info.pszOID = oid;
    info.pwszName = name;
    info.dwGroupId = group;
    info.dwValue = value;
    info.ExtraInfo = more;
    return info;
}

std::vector<CRYPT_OID_INFO> makeTable() {
    constexpr DWORD hash = CRYPT_HASH_ALG_OID_GROUP_ID, encrypt = CRYPT_ENCRYPT_ALG_OID_GROUP_ID,
                    key = CRYPT_PUBKEY_ALG_OID_GROUP_ID, sign = CRYPT_SIGN_ALG_OID_GROUP_ID,
                    rdn = CRYPT_RDN_ATTR_OID_GROUP_ID, ext = CRYPT_EXT_OR_ATTR_OID_GROUP_ID,
                    eku = CRYPT_ENHKEY_USAGE_OID_GROUP_ID, policy = CRYPT_POLICY_OID_GROUP_ID;
    return {
        row(szOID_RSA_MD2, u"md2", hash, CALG_MD2),
        row(szOID_RSA_MD4, u"md4", hash, CALG_MD4),
        row(szOID_RSA_MD5, u"md5", hash, CALG_MD5),
        row(szOID_OIWSEC_sha1, u"sha1", hash, CALG_SHA1),
        row(szOID_NIST_sha256, u"sha256", hash, CALG_SHA_256),
        row(szOID_NIST_sha384, u"sha384", hash, CALG_SHA_384),
        row(szOID_NIST_sha512, u"sha512", hash, CALG_SHA_512),

        row(szOID_RSA_RC2CBC, u"rc2", encrypt, CALG_RC2),
        row(szOID_RSA_RC4, u"rc4", encrypt, CALG_RC4),
        row(szOID_OIWSEC_desCBC, u"des", encrypt, CALG_DES),
        row(szOID_RSA_DES_EDE3_CBC, u"3des", encrypt, CALG_3DES),
        row(szOID_NIST_AES128_CBC, u"aes128", encrypt, CALG_AES_128),
        row(szOID_NIST_AES192_CBC, u"aes192", encrypt, CALG_AES_192),
        row(szOID_NIST_AES256_CBC, u"aes256", encrypt, CALG_AES_256),

        row(szOID_RSA_RSA, u"RSA", key, CALG_RSA_KEYX),
        row(szOID_RSA_RSA, u"RSA", key, CALG_RSA_SIGN),
        row(szOID_X957_DSA, u"DSA", key, CALG_DSS_SIGN),
        row(szOID_ECC_PUBLIC_KEY, u"ECC", key, CALG_ECDSA),
        row(szOID_RSA_SSA_PSS, u"RSASSA-PSS", key, CALG_OID_INFO_PARAMETERS),

        row(szOID_RSA_SHA1RSA, u"sha1RSA", sign, CALG_SHA1, extra(kRsaSign)),
        row(szOID_RSA_MD5RSA, u"md5RSA", sign, CALG_MD5, extra(kRsaSign)),
        row(szOID_RSA_SHA256RSA, u"sha256RSA", sign, CALG_SHA_256, extra(kRsaSignAes)),
        row(szOID_RSA_SHA384RSA, u"sha384RSA", sign, CALG_SHA_384, extra(kRsaSignAes)),
        row(szOID_RSA_SHA512RSA, u"sha512RSA", sign, CALG_SHA_512, extra(kRsaSignAes)),
        row(szOID_RSA_MD4RSA, u"md4RSA", sign, CALG_MD4, extra(kRsaSign)),
        row(szOID_RSA_MD2RSA, u"md2RSA", sign, CALG_MD2, extra(kRsaSign)),
        row(szOID_OIWSEC_sha1RSASign, u"sha1RSA", sign, CALG_SHA1, extra(kRsaSign)),
        row(szOID_OIWSEC_md5RSA, u"md5RSA", sign, CALG_MD5, extra(kRsaSign)),
        row(szOID_X957_SHA1DSA, u"sha1DSA", sign, CALG_SHA1, extra(kDssSign)),
        row(szOID_ECDSA_SHA1, u"sha1ECDSA", sign, CALG_SHA1, extra(kEcdsaSign)),
        row(szOID_ECDSA_SHA256, u"sha256ECDSA", sign, CALG_SHA_256, extra(kEcdsaSign)),
        row(szOID_ECDSA_SHA384, u"sha384ECDSA", sign, CALG_SHA_384, extra(kEcdsaSign)),
        row(szOID_ECDSA_SHA512, u"sha512ECDSA", sign, CALG_SHA_512, extra(kEcdsaSign)),
        // Named alone: the digest and the key's algorithm stand in the parameters.
        row(szOID_ECDSA_SPECIFIED, u"ECDSA", sign, CALG_ECDSA),
        row(szOID_RSA_SSA_PSS, u"RSASSA-PSS", sign, CALG_OID_INFO_PARAMETERS),

        row(szOID_COMMON_NAME, u"CN", rdn, 0, extra(kDirectoryString)),
        row(szOID_SUR_NAME, u"SN", rdn, 0, extra(kDirectoryString)),
        row(szOID_DEVICE_SERIAL_NUMBER, u"SERIALNUMBER", rdn, 0, extra(kPrintable)),
        row(szOID_COUNTRY_NAME, u"C", rdn, 0, extra(kPrintable)),
        row(szOID_LOCALITY_NAME, u"L", rdn, 0, extra(kDirectoryString)),
        row(szOID_STATE_OR_PROVINCE_NAME, u"S", rdn, 0, extra(kDirectoryString)),
        row(szOID_STATE_OR_PROVINCE_NAME, u"ST", rdn, 0, extra(kDirectoryString)),
        row(szOID_STREET_ADDRESS, u"STREET", rdn, 0, extra(kDirectoryString)),
        row(szOID_ORGANIZATION_NAME, u"O", rdn, 0, extra(kDirectoryString)),
        row(szOID_ORGANIZATIONAL_UNIT_NAME, u"OU", rdn, 0, extra(kDirectoryString)),
        row(szOID_TITLE, u"T", rdn, 0, extra(kDirectoryString)),
        row(szOID_TITLE, u"Title", rdn, 0, extra(kDirectoryString)),
        row(szOID_DESCRIPTION, u"Description", rdn, 0, extra(kDirectoryString)),
        row(szOID_POSTAL_CODE, u"PostalCode", rdn, 0, extra(kDirectoryString)),
        row(szOID_POST_OFFICE_BOX, u"POBox", rdn, 0, extra(kDirectoryString)),
        row(szOID_TELEPHONE_NUMBER, u"Phone", rdn, 0, extra(kPrintable)),
        row(szOID_GIVEN_NAME, u"G", rdn, 0, extra(kDirectoryString)),
        row(szOID_GIVEN_NAME, u"GivenName", rdn, 0, extra(kDirectoryString)),
        row(szOID_INITIALS, u"I", rdn, 0, extra(kDirectoryString)),
        row(szOID_INITIALS, u"Initials", rdn, 0, extra(kDirectoryString)),
        row(szOID_RSA_emailAddr, u"E", rdn, 0, extra(kIa5)),
        row(szOID_RSA_emailAddr, u"Email", rdn, 0, extra(kIa5)),
        row(szOID_DOMAIN_COMPONENT, u"DC", rdn, 0, extra(kDomainComponent)),

        row(szOID_SUBJECT_KEY_IDENTIFIER, u"Subject Key Identifier", ext),
        row(szOID_KEY_USAGE, u"Key Usage", ext),
        row(szOID_SUBJECT_ALT_NAME2, u"Subject Alternative Name", ext),
        row(szOID_SUBJECT_ALT_NAME, u"Subject Alternative Name", ext),
        row(szOID_ISSUER_ALT_NAME2, u"Issuer Alternative Name", ext),
        row(szOID_BASIC_CONSTRAINTS2, u"Basic Constraints", ext),
        row("2.5.29.20", u"CRL Number", ext),
        row(szOID_CRL_REASON_CODE, u"CRL Reason Code", ext),
        row(szOID_CRL_DIST_POINTS, u"CRL Distribution Points", ext),
        row(szOID_CERT_POLICIES, u"Certificate Policies", ext),
        row(szOID_AUTHORITY_KEY_IDENTIFIER2, u"Authority Key Identifier", ext),
        row(szOID_ENHANCED_KEY_USAGE, u"Enhanced Key Usage", ext),
        row(szOID_AUTHORITY_INFO_ACCESS, u"Authority Information Access", ext),
        row(szOID_QC_STATEMENTS_EXT, u"Qualified Certificate Statements", ext),
        row(szOID_PKIX_POLICY_QUALIFIER_CPS, u"CPS", ext),
        row(szOID_PKIX_POLICY_QUALIFIER_USERNOTICE, u"User Notice", ext),
        row(szOID_NETSCAPE_COMMENT, u"Netscape Comment", ext),
        row(szOID_RSA_contentType, u"Content Type", ext),
        row(szOID_RSA_messageDigest, u"Message Digest", ext),
        row(szOID_RSA_signingTime, u"Signing Time", ext),
        row(szOID_RSA_counterSign, u"Counter Signature", ext),
        row(szOID_CERT_EXTENSIONS, u"Certificate Extensions", ext),

        row(szOID_PKIX_KP_SERVER_AUTH, u"Server Authentication", eku),
        row(szOID_PKIX_KP_CLIENT_AUTH, u"Client Authentication", eku),
        row(szOID_PKIX_KP_CODE_SIGNING, u"Code Signing", eku),
        row(szOID_PKIX_KP_EMAIL_PROTECTION, u"Secure Email", eku),
        row(szOID_PKIX_KP_TIMESTAMP_SIGNING, u"Time Stamping", eku),
        row(szOID_PKIX_KP_OCSP_SIGNING, u"OCSP Signing", eku),
        row(szOID_KP_EFS, u"Encrypting File System", eku),
        row(szOID_KP_DOCUMENT_SIGNING, u"Document Signing", eku),
        row(szOID_KP_SMARTCARD_LOGON, u"Smart Card Logon", eku),
        row(szOID_ANY_ENHANCED_KEY_USAGE, u"Any Purpose", eku),

        row(szOID_ANY_CERT_POLICY, u"All issuance policies", policy),
    };
}

}  // namespace

std::span<const CRYPT_OID_INFO> builtInTable() {
    static const std::vector<CRYPT_OID_INFO> table = makeTable();
    return table;
}

}  // namespace platform::crypt::oid
