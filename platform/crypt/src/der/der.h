// The crypt layer's own DER: a reader that never trusts its input and a
// writer whose output is byte-exact with CryptoAPI's encoders. Object
// encoding, certificates, CRLs and messages all go through here.
//
// Reading. A Reader walks the elements of one byte range in order. Every
// refusal is a WinError with the code CryptoAPI gives:
//   CRYPT_E_ASN1_EOD      a header or a length runs past the end of the input
//   CRYPT_E_ASN1_BADTAG   an element has another tag than the schema wants
//   CRYPT_E_ASN1_CORRUPT  an indefinite length (BER; der/ber.h reads it), a
//                         malformed value (empty INTEGER, unused bits > 7, a
//                         bad OID or time), bytes left over inside a
//                         structure, nesting deeper than kMaxDepth, a tag
//                         number of the multi-byte form
//   CRYPT_E_ASN1_LARGE    a length of more than four bytes, a number that
//                         does not fit the value asked for
// Lengths are checked against what is left before anything is read, so no
// allocation or loop is ever sized by an unchecked length; counts of elements
// come from walking them, so they never exceed the input size / 2.
//
// Writing. Functions return or append complete TLVs with definite, minimal
// lengths; INTEGERs are minimal two's complement; SET OF is sorted as DER
// requires (setOf); strings and blobs embedded "as they stand" are checked to
// be one TLV (raw).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "win32/types.h"

namespace platform::crypt::der {

using Bytes = std::vector<BYTE>;
using View = std::span<const BYTE>;

// Universal tags as they appear in the first byte.
inline constexpr BYTE kBoolean = 0x01;
inline constexpr BYTE kInteger = 0x02;
inline constexpr BYTE kBitString = 0x03;
inline constexpr BYTE kOctetString = 0x04;
inline constexpr BYTE kNull = 0x05;
inline constexpr BYTE kOid = 0x06;
inline constexpr BYTE kEnumerated = 0x0A;
inline constexpr BYTE kUtf8String = 0x0C;
inline constexpr BYTE kNumericString = 0x12;
inline constexpr BYTE kPrintableString = 0x13;
inline constexpr BYTE kTeletexString = 0x14;
inline constexpr BYTE kVideotexString = 0x15;
inline constexpr BYTE kIa5String = 0x16;
inline constexpr BYTE kUtcTime = 0x17;
inline constexpr BYTE kGeneralizedTime = 0x18;
inline constexpr BYTE kGraphicString = 0x19;
inline constexpr BYTE kVisibleString = 0x1A;
inline constexpr BYTE kGeneralString = 0x1B;
inline constexpr BYTE kUniversalString = 0x1C;
inline constexpr BYTE kBmpString = 0x1E;
inline constexpr BYTE kSequence = 0x30;
inline constexpr BYTE kSet = 0x31;
// The bit of the first byte that marks a constructed element.
inline constexpr BYTE kConstructed = 0x20;
// Context-specific tags: [n] IMPLICIT of a primitive type, and [n] of a
// constructed one (EXPLICIT tags and IMPLICIT SEQUENCEs).
constexpr BYTE contextTag(unsigned n) { return static_cast<BYTE>(0x80 | n); }
constexpr BYTE contextConstructed(unsigned n) { return static_cast<BYTE>(0xA0 | n); }

// Constructed elements may nest this deep below the outermost one.
inline constexpr unsigned kMaxDepth = 64;

// One element: its tag, its content octets, and the whole TLV.
struct Element {
    BYTE tag = 0;
    View content;
    View encoded;
};

class Reader {
public:
    explicit Reader(View data, unsigned depth = 0) : m_data(data), m_depth(depth) {}

    bool atEnd() const noexcept { return m_pos == m_data.size(); }
    // The tag of the next element; false at the end.
    bool nextIs(BYTE tag) const noexcept { return !atEnd() && m_data[m_pos] == tag; }
    // The next element, whatever its tag.
    Element read();
    // The next element, which must carry `tag`.
    Element read(BYTE tag);
    // The next element when it carries `tag`, else nothing (and nothing read).
    std::optional<Element> readIf(BYTE tag);
    // A reader over a constructed element's content, one level deeper.
    Reader enter(const Element& e) const;
    // read(tag) and enter() in one step.
    Reader enter(BYTE tag) { return enter(read(tag)); }
    // CRYPT_E_ASN1_CORRUPT when elements are left.
    void finish() const;
    // The elements left, counted by walking their headers.
    DWORD countLeft() const;

private:
    View m_data;
    std::size_t m_pos = 0;
    unsigned m_depth;
};

// The one value the input holds, which must carry `tag`. Bytes after it are
// ignored, as CryptoAPI's decoders ignore them.
Element readOuter(View input, BYTE tag);
// The same for any tag.
Element readOuter(View input);

// Content decoders.
bool booleanOf(View content);
// A signed INTEGER or ENUMERATED that must fit 32 bits (else ASN1_LARGE).
std::int32_t int32Of(View content);
// Dotted text of an OBJECT IDENTIFIER; arcs of any size.
std::string oidTextOf(View content);

struct BitString {
    View bytes;
    DWORD unusedBits = 0;
};
BitString bitStringOf(View content);

// UTCTime (years 1950-2049) or GeneralizedTime, by the element's tag; seconds
// and fractions optional, "Z" or an offset from UTC. BADTAG for other tags.
FILETIME timeOf(const Element& e);

// Writing.
void appendHeader(Bytes& out, BYTE tag, std::size_t length);
void append(Bytes& out, BYTE tag, View content);
// Appends complete elements as they stand.
inline void concat(Bytes& out, View encoded) { out.insert(out.end(), encoded.begin(), encoded.end()); }
Bytes encode(BYTE tag, View content);
// The concatenated parts wrapped in one tag, usually kSequence.
Bytes wrap(BYTE tag, std::initializer_list<View> parts);
// Elements of a SET OF in the order of their encodings, as DER requires.
Bytes setOf(std::vector<Bytes> elements);
// A caller's pre-encoded value, checked to be exactly one element.
View raw(View encoded);

Bytes boolean(bool value);
Bytes integer(std::int64_t value, BYTE tag = kInteger);
// An INTEGER from big-endian two's complement bytes, made minimal.
Bytes integerSigned(View bigEndian);
// An INTEGER from big-endian unsigned bytes: leading zeros dropped, a 0x00
// put in front when the top bit is set.
Bytes integerUnsigned(View bigEndian);
Bytes null();
// CRYPT_E_ASN1_ERROR for text that is not a dotted OID of two or more arcs.
Bytes oid(std::string_view dotted);
Bytes octetString(View bytes, BYTE tag = kOctetString);
Bytes bitString(View bytes, DWORD unusedBits, BYTE tag = kBitString);
// UTCTime for 1950-2049, GeneralizedTime otherwise, to the second.
Bytes time(const FILETIME& ft);

// Little-endian CryptoAPI integers and big-endian DER contents.
Bytes reversed(View bytes);

}  // namespace platform::crypt::der
