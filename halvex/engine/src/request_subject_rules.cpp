#include "halvex/request_subject_rules.h"

#include <algorithm>

#include "halvex/text_utils.h"

namespace halvex {

namespace {

constexpr char16_t kSerialNumber[] = u"2.5.4.5";
constexpr char16_t kCountry[] = u"2.5.4.6";
constexpr char16_t kOrganizationIdentifier[] = u"2.5.4.97";
constexpr char16_t kMandant[] = u"MANDANT ";

bool Holds(const std::u16string& text, const char16_t* part) { return text.find(part) != std::u16string::npos; }

bool IsSerialHolding(const RequestAttr& attr, const char16_t* part) {
    return attr.oid == kSerialNumber && Holds(attr.value, part);
}

void AppendIfGiven(RequestAttrs& subject, const char16_t* oid, const std::u16string& value) {
    if (!value.empty()) subject.push_back({oid, kUtf8StringType, value});
}

}  // namespace

std::u16string SubjectCountry(const RequestAttrs& subject) {
    const auto last = std::find_if(subject.rbegin(), subject.rend(), [](const RequestAttr& attr) {
        return attr.oid == kCountry;
    });
    return last == subject.rend() ? std::u16string() : last->value;
}

void RemovePnoSerial(RequestAttrs& subject) {
    std::erase_if(subject, [](const RequestAttr& attr) { return IsSerialHolding(attr, u"PNO"); });
}

void NormalizeIdentifierSerials(RequestAttrs& subject) {
    for (RequestAttr& attr : subject) {
        const bool birthNumber = IsSerialHolding(attr, u"PNO");
        if (!birthNumber && !IsSerialHolding(attr, u"IDC") && !IsSerialHolding(attr, u"PAS")) continue;
        std::replace(attr.value.begin(), attr.value.end(), u' ', u'-');
        if (birthNumber) EraseAll(attr.value, u"/");
    }
}

bool MoveMandantSerial(RequestAttrs& subject) {
    const auto found = std::find_if(subject.begin(), subject.end(), [](const RequestAttr& attr) {
        return IsSerialHolding(attr, kMandant);
    });
    if (found == subject.end()) return false;
    std::u16string value = found->value;
    subject.erase(found);
    EraseAll(value, kMandant);
    subject.push_back({kSerialNumber, kUtf8StringType, kMandant + value});
    return true;
}

bool AddOrganizationIdentifier(RequestAttrs& subject) {
    const auto present = [&](const char16_t* oid) {
        return std::any_of(subject.begin(), subject.end(), [&](const RequestAttr& attr) { return attr.oid == oid; });
    };
    if (present(kOrganizationIdentifier)) return false;
    const auto source = std::find_if(subject.begin(), subject.end(), [](const RequestAttr& attr) {
        return attr.oid == kSerialNumber && !Holds(attr.value, u"MANDANT") &&
               (Holds(attr.value, u"NTR") || Holds(attr.value, u"VAT") || Holds(attr.value, u"SZ:"));
    });
    if (source == subject.end()) return false;
    const std::u16string value = source->value;
    subject.push_back({kOrganizationIdentifier, kUtf8StringType, value});
    return true;
}

void AddGivenAndSurname(RequestAttrs& subject, const std::u16string& given, const std::u16string& surname) {
    if (given.empty() || surname.empty()) return;
    subject.push_back({u"2.5.4.42", kUtf8StringType, given});
    subject.push_back({u"2.5.4.4", kUtf8StringType, surname});
}

void AddBasicSubject(RequestAttrs& subject, const std::u16string& commonName, const std::u16string& serial1,
                     const std::u16string& serial2, const std::u16string& organization, const std::u16string& country) {
    AppendIfGiven(subject, u"2.5.4.3", commonName);
    AppendIfGiven(subject, kSerialNumber, serial1);
    AppendIfGiven(subject, kSerialNumber, serial2);
    AppendIfGiven(subject, u"2.5.4.10", organization);
    AppendIfGiven(subject, kCountry, country);
}

}  // namespace halvex
