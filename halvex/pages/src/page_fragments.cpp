#include "halvex/page_fragments.h"

#include <array>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "halvex/alt_name_caption.h"
#include "halvex/dn_attributes.h"
#include "halvex/resource_strings.h"
#include "halvex/text_utils.h"

namespace halvex::pages {
namespace {

constexpr std::u16string_view kEmailOid = u"1.2.840.113549.1.9.1";
constexpr std::u16string_view kOrganizationIdentifierOid = u"2.5.4.97";
constexpr std::u16string_view kEmailAltName = u"2";  // the alternative name's choice number
constexpr UINT kYes = 33050;
constexpr UINT kNo = 33051;

struct KeyUsageRow {
    UINT name;
    const char16_t* helpKey;
};
// In the order of the request's key-usage mask bits 0x01 to 0x10.
constexpr std::array<KeyUsageRow, 5> kKeyUsageRows{{
    {33090, u"KEY_NONREP"},
    {33091, u"KEY_DIGSIG"},
    {33092, u"KEY_KEYENC"},
    {33093, u"KEY_DATAENC"},
    {33117, u"KEY_KEYAGR"},
}};

std::u16string Cell(std::u16string_view cls, std::u16string_view html) {
    return u"<td class=\"" + std::u16string(cls) + u"\">" + std::u16string(html) + u"</td>";
}

std::u16string AttributeCaption(const RequestAttr& attr) {
    if (attr.oid == kOrganizationIdentifierOid) return LoadResString(33225);
    std::string oid;
    for (char16_t c : attr.oid) oid += static_cast<char>(c < 0x80 ? c : '?');
    return DnAttrNames(DnAttrNumber(oid)).display;
}

std::u16string AltNameRowCaption(const RequestAttr& attr) {
    // An other name is kept under its type OID, a plain choice by number.
    const bool otherName = attr.oid.find(u'.') != std::u16string::npos;
    return AltNameCaption(TRDNAttrW(attr.oid, attr.stringType, attr.value, otherName ? 1 : 0));
}

// The values of a list by OID, in the list's order.
using ValuesByOid = std::unordered_map<std::u16string, std::vector<const std::u16string*>>;

ValuesByOid ValuesOf(const RequestAttrs& attrs) {
    ValuesByOid values;
    for (const RequestAttr& attr : attrs) values[attr.oid].push_back(&attr.value);
    return values;
}

// The subject's e-mail addresses, lower-cased.
std::unordered_set<std::u16string> SubjectEmails(const RequestAttrs& subject) {
    std::unordered_set<std::u16string> emails;
    for (const RequestAttr& attr : subject)
        if (attr.oid == kEmailOid) emails.insert(ChangeCase(attr.value, false));
    return emails;
}

// Rows of one attribute list; a second list gives the third column: the
// value of its attribute of the same OID and occurrence, empty when it has
// fewer. An alternative e-mail name the subject holds has no row.
std::u16string AttributeRows(const RequestAttrs& attrs, const RequestAttrs* second, bool altNames,
                             const RequestAttrs& subject) {
    std::u16string rows;
    std::unordered_map<std::u16string, std::size_t> seen;
    const ValuesByOid secondValues = second ? ValuesOf(*second) : ValuesByOid{};
    const auto subjectEmails = altNames ? SubjectEmails(subject) : std::unordered_set<std::u16string>{};
    for (const RequestAttr& attr : attrs) {
        const std::size_t occurrence = seen[attr.oid]++;
        if (altNames && attr.oid == kEmailAltName && subjectEmails.contains(ChangeCase(attr.value, false))) continue;
        rows += u"<tr>";
        rows += Cell(u"td1", EscapeHtml(altNames ? AltNameRowCaption(attr) : AttributeCaption(attr)));
        rows += Cell(u"td2", EscapeHtml(attr.value));
        if (second) {
            const auto values = secondValues.find(attr.oid);
            const bool has = values != secondValues.end() && occurrence < values->second.size();
            rows += Cell(u"td3", has ? EscapeHtml(*values->second[occurrence]) : std::u16string());
        }
        rows += u"</tr>";
    }
    return rows;
}

}  // namespace

std::u16string EscapeHtml(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        switch (c) {
        case u'&': out += u"&amp;"; break;
        case u'<': out += u"&lt;"; break;
        case u'>': out += u"&gt;"; break;
        case u'"': out += u"&quot;"; break;
        case u'\'': out += u"&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::u16string ErrorPageText(std::u16string_view text) {
    std::u16string html = EscapeHtml(text);
    ReplaceAll(html, u"\r\n", u"<br>");
    ReplaceAll(html, u"\n", u"<br>");
    return html;
}

std::u16string RequestReviewText(std::u16string_view text) {
    std::u16string html = EscapeHtml(text);
    ReplaceAll(html, u"\n", u"<br/>");
    return html;
}

std::u16string KeyUsageTable(const TCertRequest& first, const TCertRequest* pairedSecond) {
    const int firstMask = first.GetKeyUsage();
    const int secondMask = pairedSecond ? pairedSecond->GetKeyUsage() : 0;
    std::u16string html =
        u"<fieldset><legend><a href=\"javascript:toggle_visibility('tbl1','lnk1');\">"
        u"<div align=\"right\" id=\"lnk1\" name=\"lnk1\">Použití klíče</div></a></legend>"
        u"<table class=\"TForm\" name=\"tbl1\" id=\"tbl1\" width=\"100%\">";
    for (std::size_t bit = 0; bit < kKeyUsageRows.size(); ++bit) {
        const KeyUsageRow& row = kKeyUsageRows[bit];
        const int flag = 1 << bit;
        html += u"<tr><td class=\"td1\">" + LoadResString(row.name) +
                u" <img class=\"img_help\" src='help.gif' onclick=\"self.location='URL_HELP_" + row.helpKey +
                u"'\"></td>";
        html += Cell(u"td2", LoadResString(firstMask & flag ? kYes : kNo));
        if (pairedSecond) html += Cell(u"td3", LoadResString(secondMask & flag ? kYes : kNo));
        html += u"</tr>";
    }
    return html + u"</table></fieldset>";
}

std::u16string CertificateTable(const TCertRequest& first, const TCertRequest* pairedSecond) {
    const RequestCertificate& cert = first.certificate;
    const RequestCertificate* second = pairedSecond ? &pairedSecond->certificate : nullptr;
    return u"<table class=\"TForm\">" +
           AttributeRows(cert.subject, second ? &second->subject : nullptr, false, cert.subject) +
           AttributeRows(cert.altNames, second ? &second->altNames : nullptr, true, cert.subject) + u"</table><br>";
}

std::u16string SummaryRequestText(std::u16string_view text) { return u"<pre>" + EscapeHtml(text) + u"</pre>"; }

std::u16string SummaryAgreementPapers(const TCertRequest& first) {
    if (!first.hasIdentifier && first.addIdentifier) return LoadResString(33187) + u"<br><br>" + LoadResString(33188);
    return LoadResString(33171);
}

std::u16string AppendixSentNote(std::u16string_view requestNumber) {
    return LoadResString(33177) + u" <b>" + EscapeHtml(requestNumber) + u"</b>";
}

std::u16string AppendixResendCommand() {
    return u"<a href=\"URL_REQUEST_SEND\">" + LoadResString(33167) + u"</a><br>";
}

std::u16string AppendixSendError(std::u16string_view errorText) {
    return LoadResString(33191) + EscapeHtml(errorText);
}

}  // namespace halvex::pages
