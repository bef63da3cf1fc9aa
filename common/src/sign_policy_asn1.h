// sign_policy_asn1.h: the element readers the policy decoder is built from.
// Every SEQUENCE, integer, time, string and algorithm identifier goes
// through CryptDecodeObject (size first, then the record, no copying); OIDs,
// OID lists and the headers of context-tagged elements are read by hand,
// always within the element. Each reader returns false when the element is
// not what it should be and then leaves its output as far as it got.
#pragma once

#include <span>
#include <string>
#include <utility>
#include <vector>

#include "common/rdn_attr.h"
#include "win32/types.h"

namespace sign_policy {

using Der = std::span<const BYTE>;
using Elements = std::vector<Der>;

// The elements of a SEQUENCE (or SEQUENCE OF) as complete TLVs within der.
bool ReadSequence(Der der, Elements& out);
// The same with at least `minimum` elements.
bool ReadSequence(Der der, std::size_t minimum, Elements& out);

// X509_INTEGER and X509_ENUMERATED: the whole signed 32-bit range.
bool ReadInteger(Der der, INT& out);
bool ReadEnumerated(Der der, INT& out);
// An ENUMERATED whose value lies within [low, high].
bool ReadEnumeratedIn(Der der, DWORD low, DWORD high, DWORD& out);
// A BOOLEAN of one content byte.
bool ReadBoolean(Der der, bool& out);
// X509_OCTET_STRING: the contents.
bool ReadOctetString(Der der, std::vector<BYTE>& out);
// X509_CHOICE_OF_TIME: UTCTime or GeneralizedTime as a UTC FILETIME.
bool ReadTime(Der der, FILETIME& out);
// X509_NAME_VALUE turned into ANSI text by CertRDNValueToStrA.
bool ReadDirectoryString(Der der, std::string& out);
// An encoded Name: its attributes and its X.500 text (empty when the
// text cannot be made); false when no attribute was read.
bool ReadDirectoryName(Der der, std::vector<TRDNAttr>& attributes, std::string& text);
// The OID of an AlgorithmIdentifier (X509_ALGORITHM_IDENTIFIER; where the
// platform lacks that structure type, the first OID of the SEQUENCE).
bool ReadAlgorithmOid(Der der, std::string& out);

// The content octets of an element, whose length must lie within it.
bool ContentOf(Der element, Der& out);
// An OBJECT IDENTIFIER element as dotted text; false for any other tag, a
// malformed OID, or an empty text.
bool ReadOidText(Der element, std::string& out);
// A SEQUENCE OF OBJECT IDENTIFIER, appended to out.
bool ReadOidList(Der element, std::vector<std::string>& out);
// The first OID of a SEQUENCE.
bool ReadFirstOid(Der sequence, std::string& out);

// A context-specific element ([n], first byte with bit 7 set): its tag
// number and what follows its header, the explicitly tagged element (or,
// for an implicitly tagged primitive, its contents).
struct Tagged {
    DWORD number = 0;
    bool constructed = false;
    Der inner;
};
bool ReadTagged(Der element, Tagged& out);
// Calls field(tagged) for every context-tagged element of elements from
// first on, other elements being skipped; stops at the first false.
template <class Field>
bool WalkTagged(const Elements& elements, std::size_t first, Field&& field) {
    for (std::size_t i = first; i < elements.size(); ++i) {
        Tagged tagged;
        if (!ReadTagged(elements[i], tagged)) continue;
        if (!field(tagged)) return false;
    }
    return true;
}
// A SEQUENCE OF: each element read by readOne(element, item) into a fresh
// item appended to out; stops at the first element that does not read.
template <class Item, class ReadOne>
bool ReadSequenceOf(Der der, std::vector<Item>& out, ReadOne&& readOne) {
    Elements elements;
    if (!ReadSequence(der, elements)) return false;
    for (Der element : elements) {
        Item item;
        if (!readOne(element, item)) return false;
        out.push_back(std::move(item));
    }
    return true;
}
// A non-negative count behind a tag ([n] SkipCerts, BaseDistance): an
// explicit INTEGER, or the contents of an implicit one.
bool ReadTaggedCount(const Tagged& tagged, DWORD& out);
// A GeneralName of string type ([1], [2], [6]): the IA5 contents of the
// implicit form, or the directory string the explicit form holds.
bool ReadNameText(const Tagged& tagged, std::string& out);

}  // namespace sign_policy
