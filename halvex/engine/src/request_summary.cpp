// The one-line summary of the applicant's name and identifier that goes
// into the request and is signed with it. Its captions and declarations are
// string resources.
#include <algorithm>
#include <string>
#include <utility>

#include "halvex/request_model.h"
#include "halvex/resource_strings.h"

namespace halvex {

namespace {

constexpr UINT kSummaryHeading = 33182;
constexpr UINT kNameHeading = 33183;
constexpr UINT kSerialNumberCaption = 33069;
constexpr UINT kIdentifierHeading = 33186;
constexpr UINT kIdentifierTypeCaption = 33184;
constexpr UINT kIssuerCaption = 33185;
constexpr UINT kConsent = 33187;
constexpr UINT kNameExtension = 33188;

struct NamePart {
    const char16_t* oid;
    UINT caption;
};

// The subject's attributes in the order the summary lists them.
constexpr NamePart kNameParts[] = {
    {u"2.5.4.65", 33071}, {u"2.5.4.3", 33057}, {u"2.5.4.43", 33067},  {u"2.5.4.44", 33070},
    {u"2.5.4.12", 33064}, {u"2.5.4.10", 33062}, {u"2.5.4.11", 33063}, {u"2.5.4.7", 33060},
    {u"2.5.4.6", 33059},  {u"2.5.4.8", 33061},  {u"1.2.840.113549.1.9.1", 33068},
};

struct IdentifierType {
    const char16_t* prefix;
    UINT caption;
};

constexpr IdentifierType kIdentifierTypes[] = {{u"PNO", 33161}, {u"PAS", 33162}, {u"IDC", 33163}};

const RequestAttr* FirstOf(const RequestAttrs& subject, const char16_t* oid) {
    const auto found =
        std::find_if(subject.begin(), subject.end(), [&](const RequestAttr& attr) { return attr.oid == oid; });
    return found == subject.end() ? nullptr : &*found;
}

class SummaryLine {
public:
    void Heading(UINT caption) { m_text += LoadResString(caption) + u"; "; }
    void Entry(UINT caption, const std::u16string& value) { m_text += LoadResString(caption) + u": " + value + u"; "; }
    void Text(UINT text) { m_text += LoadResString(text); }
    void Blank() { m_text += u' '; }
    std::u16string Take() { return std::move(m_text); }

private:
    std::u16string m_text;
};

}  // namespace

UINT IdentifierTypeCaption(std::u16string_view prefix) {
    for (const IdentifierType& type : kIdentifierTypes)
        if (prefix == type.prefix) return type.caption;
    return 0;
}

std::u16string TCertRequest::BuildSubject() const {
    const RequestAttrs& subject = certificate.subject;
    SummaryLine line;
    line.Heading(kSummaryHeading);
    line.Heading(kNameHeading);
    const std::u16string identifier = ComposeIdentifier();
    const RequestAttr* serial = FirstOf(subject, u"2.5.4.5");
    if (serial && serial->value != identifier) line.Entry(kSerialNumberCaption, serial->value);
    line.Entry(kSerialNumberCaption, identifier);
    for (const NamePart& part : kNameParts)
        if (const RequestAttr* attr = FirstOf(subject, part.oid)) line.Entry(part.caption, attr->value);

    line.Heading(kIdentifierHeading);
    const UINT typeCaption = IdentifierTypeCaption(identifierPrefix);
    if (!identifierPrefix.empty())
        line.Entry(kIdentifierTypeCaption, typeCaption ? LoadResString(typeCaption) : std::u16string());
    if (!identifierIssuer.empty()) line.Entry(kIssuerCaption, identifierIssuer);
    if (typeCaption && !identifierValue.empty()) line.Entry(typeCaption, identifierValue);

    line.Text(kConsent);
    line.Blank();
    line.Text(kNameExtension);
    return line.Take();
}

}  // namespace halvex
