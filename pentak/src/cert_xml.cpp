// CEnroll::CertificateToXML: the certificate's description as an XML
// document in UTF-16. Groups and values the caller relies on stop the
// conversion when they cannot be written; an entry of a list, the lists of
// statements and policies and the provider group are left out instead.
#include <cstdlib>
#include <string>

#include "cert_key_lookup.h"
#include "cert_values.h"
#include "common/codepage.h"
#include "enroll.h"
#include "enroll_report.h"
#include "win32/datetime.h"
#include "win32/error.h"
#include "xml_writer.h"

namespace {

constexpr int kReportLine = 6204;

std::u16string ansi(const std::string& text) { return MultiByteToWide(text, CP_ACP); }
std::u16string decimal(long long number) {
    const std::string text = std::to_string(number);
    return {text.begin(), text.end()};
}

class CertificateDocument {
public:
    CertificateDocument(const CertInfo& info, const CertKeyInfo* key) : m_info(info), m_key(key) {
        GetSystemTimeAsFileTime(&m_now);
    }

    bool Write(std::u16string& out);

private:
    // The node, or null with the failure recorded under the step.
    xmlNodePtr need(xmlNodePtr node, int step) {
        if (!node) failAt(step);
        return node;
    }
    // False, for the caller to return.
    bool failAt(int step) {
        if (m_failed) return false;
        m_failed = true;
        const std::u16string text = m_xml.ErrorText();
        const std::string message = "CertificateToXML(): error at " + std::to_string(step) + ", while " +
                                    WideToMultiByte(text.data(), static_cast<int>(text.size()));
        SetLastError(static_cast<DWORD>(m_xml.ErrorCode() ? m_xml.ErrorCode() : NTE_FAIL));
        FailedAt(kReportLine, message.c_str());
        return false;
    }
    // The value of a kind as the element's text.
    xmlNodePtr value(const char16_t* name, LONG kind, xmlNodePtr parent, int step) {
        std::u16string text;
        if (!CertValueText(m_info, CertKeyInfo{}, kind, m_now, text)) text.clear();
        return need(m_xml.AddElement(name, text, parent), step);
    }
    bool names(const char16_t* group, const std::vector<TRDNAttr>& attributes, xmlNodePtr certificate, int step);
    bool usages(xmlNodePtr certificate);
    bool altNames(xmlNodePtr certificate);
    bool dates(xmlNodePtr certificate);
    bool optionalTexts(xmlNodePtr certificate);
    void provider(xmlNodePtr certificate);
    void oidList(const char16_t* group, const char16_t* entry, const std::vector<std::string>& oids,
                 xmlNodePtr certificate);

    const CertInfo& m_info;
    const CertKeyInfo* m_key;
    FILETIME m_now{};
    TXml m_xml;
    bool m_failed = false;
};

bool CertificateDocument::names(const char16_t* group, const std::vector<TRDNAttr>& attributes,
                                xmlNodePtr certificate, int step) {
    if (attributes.empty()) return true;
    xmlNodePtr node = need(m_xml.AddElement(group, certificate), step);
    if (!node) return false;
    for (const TRDNAttr& attribute : attributes)
        if (!attribute.oid.empty())
            m_xml.AddElement({u"Name", ansi(attribute.value)},
                             {{u"OID", ansi(attribute.oid)}, {u"Type", decimal(attribute.valueType)}}, node);
    return true;
}

bool CertificateDocument::usages(xmlNodePtr certificate) {
    if (m_info.enhancedKeyUsage.empty()) return true;
    xmlNodePtr node = need(m_xml.AddElement(u"ExtenedKeyUsage", certificate), 6018);
    if (!node) return false;
    for (const TRDNAttr& usage : m_info.enhancedKeyUsage)
        if (!usage.oid.empty()) m_xml.AddElement(u"OID", ansi(usage.oid), node);
    return true;
}

// An other name carries its type OID and string type; any other entry its
// CryptoAPI choice number (held as its OID text) and the GeneralName
// choice, one less.
bool CertificateDocument::altNames(xmlNodePtr certificate) {
    if (m_info.altNames.empty()) return true;
    xmlNodePtr node = need(m_xml.AddElement(u"SubjectAltName", certificate), 6030);
    if (!node) return false;
    for (const TRDNAttr& entry : m_info.altNames) {
        if (entry.oid.empty()) continue;
        std::vector<TXml::Pair> attributes;
        if (entry.flags != 0) {
            attributes = {{u"CapiAltNameID", u"1"},
                          {u"GeneralNameChoice", u"0"},
                          {u"OID", ansi(entry.oid)},
                          {u"Type", decimal(entry.valueType)}};
        } else {
            const long long choice = std::strtoll(entry.oid.c_str(), nullptr, 10);
            attributes = {{u"CapiAltNameID", decimal(choice)}, {u"GeneralNameChoice", decimal(choice - 1)}};
        }
        m_xml.AddElement({u"Name", ansi(entry.value)}, attributes, node);
    }
    return true;
}

bool CertificateDocument::dates(xmlNodePtr certificate) {
    static constexpr const char16_t* kForms[] = {u"", u"Localtime", u"LongDate", u"LocaltimeLongDate",
                                                 u"ShortDate", u"LocaltimeShortDate"};
    static constexpr int kBeforeSteps[] = {6067, 6069, 6071, 6073, 6075, 6077};
    static constexpr int kAfterSteps[] = {6087, 6089, 6091, 6093, 6095, 6097};
    xmlNodePtr before = need(m_xml.AddElement(u"NotBefore", certificate), 6065);
    if (!before) return false;
    for (LONG form = 0; form < 6; ++form)
        if (!value((u"NotBefore" + std::u16string(kForms[form])).c_str(), kCertNotBefore + form, before,
                   kBeforeSteps[form]))
            return false;
    if (!value(u"DaysSinceNotBefore", kCertDaysFromNotBefore, before, 6079) ||
        !value(u"DaysFromNotBefore", kCertDaysFromNotBefore, before, 6080))
        return false;
    xmlNodePtr after = need(m_xml.AddElement(u"NotAfter", certificate), 6085);
    if (!after) return false;
    for (LONG form = 0; form < 6; ++form)
        if (!value((u"NotAfter" + std::u16string(kForms[form])).c_str(), kCertNotAfter + form, after,
                   kAfterSteps[form]))
            return false;
    return value(u"DaysToNotAfter", kCertDaysToNotAfter, after, 6102) != nullptr;
}

// The key length, then each of the other texts only when it is not empty.
bool CertificateDocument::optionalTexts(xmlNodePtr certificate) {
    if (!value(u"KeyLength", kCertKeyLength, certificate, 6106)) return false;
    static constexpr struct {
        const char16_t* name;
        LONG kind;
        int step;
    } kTexts[] = {{u"ParvelNum", kCertPairNumber, 6108},
                  {u"TeskCardNumber", kCertCardNumber, 6110},
                  {u"SubjectKeyID", kCertSubjectKeyId, 6113},
                  {u"AuthorityKeyID", kCertAuthorityKeyId, 6116},
                  {u"SignatureAlgOID", kCertSignatureAlgOid, 6118}};
    for (const auto& entry : kTexts) {
        std::u16string text;
        if (CertValueText(m_info, CertKeyInfo{}, entry.kind, m_now, text) && !text.empty() &&
            !need(m_xml.AddElement(entry.name, text, certificate), entry.step))
            return false;
    }
    return true;
}

void CertificateDocument::provider(xmlNodePtr certificate) {
    if (!m_key) return;
    xmlNodePtr node = m_xml.AddElement(u"Provider", certificate);
    if (!node) return;
    if (!m_key->provider.empty()) m_xml.AddElement(u"ProviderName", m_key->provider, node);
    m_xml.AddElement(u"ProvType", static_cast<LONG>(m_key->providerType), node);
    m_xml.AddElement(u"KeySpec", static_cast<LONG>(m_key->keySpec), node);
    if (!m_key->container.empty()) m_xml.AddElement(u"KeyContainerName", m_key->container, node);
}

void CertificateDocument::oidList(const char16_t* group, const char16_t* entry, const std::vector<std::string>& oids,
                                  xmlNodePtr certificate) {
    if (oids.empty()) return;
    xmlNodePtr node = m_xml.AddElement(group, certificate);
    if (!node) return;
    for (const std::string& oid : oids)
        if (!oid.empty()) m_xml.AddElement({entry, u""}, {{u"OID", ansi(oid)}}, node);
}

bool CertificateDocument::Write(std::u16string& out) {
    m_xml.SetDeclaration(u"version=\"1.0\" encoding=\"utf-16\"");
    if (!m_xml.Init()) return failAt(5968);
    if (!m_xml.New(u"pentak", u"")) return failAt(5970);
    xmlNodePtr certificate = need(m_xml.AddElement(u"Certificate", nullptr), 5973);
    if (!certificate || !names(u"Subject", m_info.subjectRdn, certificate, 5978) ||
        !names(u"Issuer", m_info.issuerRdn, certificate, 5998) || !usages(certificate) || !altNames(certificate) ||
        !value(u"SNDec", kCertSerialDecimal, certificate, 6058) || !value(u"SNHex", kCertSerialHex, certificate, 6059) ||
        !value(u"TimeValid", kCertTimeValid, certificate, 6061) || !dates(certificate) || !optionalTexts(certificate))
        return false;
    provider(certificate);
    oidList(u"QCStatements", u"QCStatement", m_info.qcStatementOids, certificate);
    oidList(u"CertPolicies", u"Policy", m_info.policyOids, certificate);
    if (!value(u"KeyUsage", kCertKeyUsage, certificate, 6190)) return false;
    std::vector<BYTE> bytes;
    if (!m_xml.Save(bytes)) return failAt(6194);
    // The bytes are UTF-16LE after a byte-order mark; the text ends at the
    // first zero character.
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const char16_t c = static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
        if (c == 0) break;
        if (i == 0 && c == 0xFEFF) continue;
        text += c;
    }
    out = std::move(text);
    return true;
}

}  // namespace

BOOL CEnroll::CertificateToXML(const CertInfo& certificate, std::u16string& xml) {
    CertKeyInfo key;
    const bool withKey = FindCertKeyInCspStoreOrPersonal(certificate.der, m_cspStore, key);
    return CertificateDocument(certificate, withKey ? &key : nullptr).Write(xml) ? TRUE : FALSE;
}
