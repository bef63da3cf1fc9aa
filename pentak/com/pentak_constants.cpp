// CPentak's constants: algorithm identifiers, string types, provider types
// and key specs under the names script callers use.
#include "automation_text.h"
#include "pentak_class.h"
#include "win32/crypt_encode.h"
#include "win32/crypt_types.h"

using pentak::giveText;
using pentak::giveValue;

namespace {

constexpr LONG kKeySpecParvel = 3;

}  // namespace

HRESULT CPentak::get_sha1WithRSASign(BSTR* pVal) { return giveText(u"1.3.14.3.2.29", pVal); }
HRESULT CPentak::get_sha1WithRSAEncryption(BSTR* pVal) { return giveText(u"1.2.840.113549.1.1.5", pVal); }
HRESULT CPentak::get_sha256WithRSAEncryption(BSTR* pVal) { return giveText(u"1.2.840.113549.1.1.11", pVal); }
HRESULT CPentak::get_sha384WithRSAEncryption(BSTR* pVal) { return giveText(u"1.2.840.113549.1.1.12", pVal); }
HRESULT CPentak::get_sha512WithRSAEncryption(BSTR* pVal) { return giveText(u"1.2.840.113549.1.1.13", pVal); }
HRESULT CPentak::get_md5WithRSAEncryption(BSTR* pVal) { return giveText(u"1.2.840.113549.1.1.4", pVal); }
HRESULT CPentak::get_md5Algorithm(BSTR* pVal) { return giveText(u"1.2.840.113549.2.5", pVal); }
HRESULT CPentak::get_sha1Algorithm(BSTR* pVal) { return giveText(u"1.3.14.3.2.26", pVal); }
HRESULT CPentak::get_sha256Algorithm(BSTR* pVal) { return giveText(u"2.16.840.1.101.3.4.2.1", pVal); }
HRESULT CPentak::get_sha384Algorithm(BSTR* pVal) { return giveText(u"2.16.840.1.101.3.4.2.2", pVal); }
HRESULT CPentak::get_sha512Algorithm(BSTR* pVal) { return giveText(u"2.16.840.1.101.3.4.2.3", pVal); }

HRESULT CPentak::get_RDN_PRINTABLE_STRING(LONG* pVal) { return giveValue(CERT_RDN_PRINTABLE_STRING, pVal); }
HRESULT CPentak::get_RDN_IA5_STRING(LONG* pVal) { return giveValue(CERT_RDN_IA5_STRING, pVal); }
HRESULT CPentak::get_RDN_BMP_STRING(LONG* pVal) { return giveValue(CERT_RDN_BMP_STRING, pVal); }
HRESULT CPentak::get_RDN_UTF8_STRING(LONG* pVal) { return giveValue(CERT_RDN_UTF8_STRING, pVal); }
HRESULT CPentak::get_TYPE_PROVIDER_RSA_FULL(LONG* pVal) { return giveValue(PROV_RSA_FULL, pVal); }
HRESULT CPentak::get_TYPE_PROVIDER_RSA_AES(LONG* pVal) { return giveValue(PROV_RSA_AES, pVal); }
HRESULT CPentak::get_KEYSPEC_AT_SIGNATURE(LONG* pVal) { return giveValue(AT_SIGNATURE, pVal); }
HRESULT CPentak::get_KEYSPEC_AT_KEYEXCHANGE(LONG* pVal) { return giveValue(AT_KEYEXCHANGE, pVal); }
HRESULT CPentak::get_KEYSPEC_AT_PARVEL(LONG* pVal) { return giveValue(kKeySpecParvel, pVal); }
