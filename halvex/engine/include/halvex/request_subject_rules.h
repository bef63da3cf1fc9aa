// The rules a renewal applies to the subject of the certificate it takes
// over. Every attribute they add has the string type UTF8String.
#pragma once

#include <string>

#include "halvex/request_certificate.h"

namespace halvex {

// The value of the last country attribute, empty when none.
std::u16string SubjectCountry(const RequestAttrs& subject);

// Erases every serial number that holds a birth number ("PNO").
void RemovePnoSerial(RequestAttrs& subject);

// In serial numbers that hold "PNO", "IDC" or "PAS" identifiers each blank
// becomes "-"; a birth number also loses its "/" ("PNOSK 123456/7890"
// becomes "PNOSK-1234567890").
void NormalizeIdentifierSerials(RequestAttrs& subject);

// Moves the first serial number that holds "MANDANT " to the end of the
// subject, with a single "MANDANT " in front of its value. False when
// there is none.
bool MoveMandantSerial(RequestAttrs& subject);

// Without an organisation identifier, copies the first serial number that
// holds an "NTR", "VAT" or "SZ:" number (and no "MANDANT") into a new one.
// False when nothing was added.
bool AddOrganizationIdentifier(RequestAttrs& subject);

// Appends given name and surname when both are given.
void AddGivenAndSurname(RequestAttrs& subject, const std::u16string& given, const std::u16string& surname);

// Appends common name, two serial numbers, organisation and country, each
// that is not empty, in this order.
void AddBasicSubject(RequestAttrs& subject, const std::u16string& commonName, const std::u16string& serial1,
                     const std::u16string& serial2, const std::u16string& organization, const std::u16string& country);

}  // namespace halvex
