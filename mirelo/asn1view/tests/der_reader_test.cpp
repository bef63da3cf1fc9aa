// The reader on small hand-made encodings: the nodes and values it builds,
// the problems it counts, and its bounds on hostile input.
#include <gtest/gtest.h>

#include <sstream>

#include "asn1view/der_reader.h"
#include "testkit/platform_root.h"

namespace {

using namespace asn1view;

struct Read {
    ASNRoot root;
    int errors = 0;
    explicit Read(const Bytes& der) { errors = ParseDer(root, der); }
    const ASN1Object& First() const { return *root.Children().at(0); }
    template <class Node>
    const Node& Nth(std::size_t i) const {
        const auto& container = static_cast<const InnerObject&>(First());
        EXPECT_EQ(container.Children().size() > i, true);
        return dynamic_cast<const Node&>(*container.Children().at(i));
    }
};

int Depth(const ASN1Object& node) {
    if (!node.IsContainer()) return 0;
    int deepest = 0;
    for (const auto& child : static_cast<const InnerObject&>(node).Children()) deepest = std::max(deepest, Depth(*child));
    return deepest + 1;
}

TEST(DerReader, BuildsNodesWithTheirValues) {
    const Read oid({0x30, 0x03, 0x06, 0x01, 0x2A});
    EXPECT_EQ(0, oid.errors);
    ASSERT_EQ(NodeType::Sequence, oid.First().Type());
    EXPECT_EQ("1.2", oid.Nth<Oid>(0).Dotted());

    // Small integers keep their sign; a padded one counts as not minimal.
    const Read integers({0x30, 0x0B, 0x02, 0x02, 0x00, 0x7F, 0x02, 0x01, 0xFF, 0x02, 0x02, 0xFF, 0x7F});
    EXPECT_EQ(1, integers.errors);
    EXPECT_EQ("127", integers.Nth<ASNInteger>(0).ValueText());
    EXPECT_EQ("-1", integers.Nth<ASNInteger>(1).ValueText());
    EXPECT_EQ("-129", integers.Nth<ASNInteger>(2).ValueText());
    // A padded negative integer and a padded enumeration are not minimal.
    const Read padded({0x30, 0x08, 0x02, 0x02, 0xFF, 0x80, 0x0A, 0x02, 0x00, 0x01});
    EXPECT_EQ(2, padded.errors);
    EXPECT_EQ("-128", padded.Nth<ASNInteger>(0).ValueText());
    EXPECT_EQ(1, padded.Nth<Enumerated>(1).Value());

    const auto timeDer = [](const std::string& text, std::uint8_t tag) {
        Bytes der{0x30, static_cast<std::uint8_t>(text.size() + 2), tag, static_cast<std::uint8_t>(text.size())};
        der.insert(der.end(), text.begin(), text.end());
        return der;
    };
    const auto time = [&](const std::string& text, std::uint8_t tag) {
        const Read read(timeDer(text, tag));
        EXPECT_EQ(0, read.errors) << text;
        return read.Nth<ASNTime>(0).ValueText();
    };
    EXPECT_EQ("31.12.2049 23:59:59 GMT", time("491231235959Z", 0x17));
    EXPECT_EQ("01.01.1950 00:00:00 GMT", time("500101000000Z", 0x17));
    EXPECT_EQ("29.02.2104 12:00:00 GMT", time("21040229120000Z", 0x18));
    // A time stamp's fraction of the second is DER; trailing zeros, an empty
    // fraction or one in a UTCTime are not, nor a UTCTime of a
    // GeneralizedTime's length: each is counted and shown as it came.
    EXPECT_EQ("10.12.2026 06:35:00.125 GMT", time("20261210063500.125Z", 0x18));
    for (const auto& [text, tag] : std::vector<std::pair<std::string, std::uint8_t>>{
             {"20261210063500.120Z", 0x18}, {"20261210063500.Z", 0x18}, {"261210063500.5Z", 0x17},
             {"2026121006350Z", 0x18}, {"20261210063500Z", 0x17}}) {
        const Read read(timeDer(text, tag));
        EXPECT_EQ(1, read.errors) << text;
        EXPECT_EQ(text, read.Nth<ASNTime>(0).ValueText());
    }

    // Only the first top-level item is read; what follows is no error.
    const Read two({0x05, 0x00, 0x05, 0x00});
    EXPECT_EQ(0, two.errors);
    EXPECT_EQ(1u, two.root.Children().size());

    // A BOOLEAN of another byte than 00 or FF, a PrintableString with "@".
    const Read odd({0x30, 0x06, 0x01, 0x01, 0x01, 0x13, 0x01, '@'});
    EXPECT_EQ(2, odd.errors);
    EXPECT_EQ("TRUE", odd.Nth<ASNBoolean>(0).ValueText());
    EXPECT_EQ("@", odd.Nth<ASNString>(1).ValueText());

    // A BOOLEAN of two bytes counts one error, takes its first byte and is
    // consumed whole: the NULL after it is read.
    const Read wide({0x30, 0x06, 0x01, 0x02, 0xFF, 0x00, 0x05, 0x00});
    EXPECT_EQ(1, wide.errors);
    EXPECT_EQ("TRUE", wide.Nth<ASNBoolean>(0).ValueText());
    EXPECT_EQ(NodeType::Null, wide.Nth<ASNNull>(1).Type());

    // An empty BIT STRING is valid DER.
    const Read empty({0x30, 0x03, 0x03, 0x01, 0x00});
    EXPECT_EQ(0, empty.errors);
    EXPECT_EQ("", empty.Nth<BitString>(0).ValueText());
}

TEST(DerReader, ReadsEveryValidObjectIdentifier) {
    // Any second arc under 2.
    const Read large({0x06, 0x02, 0x88, 0x37});
    EXPECT_EQ(0, large.errors);
    EXPECT_EQ("2.999", static_cast<const Oid&>(large.First()).Dotted());

    // 32 content bytes, 33 arcs of three digits: the text, past 127
    // characters, is whole.
    Bytes many{0x06, 0x20, 0x7F};
    std::string expected = "2.47";
    for (int arc = 1; arc <= 31; ++arc) {
        many.push_back(static_cast<std::uint8_t>(100 + arc % 28));
        expected += "." + std::to_string(100 + arc % 28);
    }
    ASSERT_GT(expected.size(), 127u);
    const Read read(many);
    EXPECT_EQ(0, read.errors);
    EXPECT_EQ(expected, static_cast<const Oid&>(read.First()).Dotted());

    // 2.25 with a UUID of 128 bits, 19 base-128 bytes (the top bit set).
    Bytes uuid{0x06, 0x14, 0x69, 0x83};
    for (int i = 0; i < 17; ++i) uuid.push_back(0xFF);
    uuid.push_back(0x7F);
    const Read withUuid(uuid);
    EXPECT_EQ(0, withUuid.errors);
    EXPECT_EQ("2.25.{ffffffff-ffff-ffff-ffff-ffffffffffff}", static_cast<const Oid&>(withUuid.First()).Dotted());
    uuid[3] = 0x87;  // 129 bits
    EXPECT_EQ(1, Read(uuid).errors);

    // An unterminated last arc.
    EXPECT_EQ(1, Read({0x06, 0x02, 0x2A, 0x86}).errors);
}

TEST(DerReader, OpensStringsThatHoldAsn1) {
    const Read octets({0x04, 0x05, 0x30, 0x03, 0x02, 0x01, 0x05});
    EXPECT_EQ(0, octets.errors);
    ASSERT_EQ(NodeType::InnerOctetString, octets.First().Type());
    EXPECT_EQ(NodeType::Sequence, static_cast<const InnerObject&>(octets.First()).Children().at(0)->Type());

    const Read random({0x04, 0x04, 0x9C, 0x11, 0xE3, 0x07});
    ASSERT_EQ(NodeType::OctetString, random.First().Type());
    EXPECT_EQ("9C 11 E3 07 ", random.First().ValueText());

    // A key identifier that only starts like an item (a three-byte boolean,
    // a sequence holding a non-minimal integer) is bytes, not a damaged file.
    for (const Bytes& lookalike : {Bytes{0x04, 0x05, 0x01, 0x03, 0x01, 0x02, 0x03},
                                   Bytes{0x04, 0x06, 0x30, 0x04, 0x02, 0x02, 0x00, 0x05}}) {
        const Read read(lookalike);
        EXPECT_EQ(0, read.errors);
        ASSERT_EQ(NodeType::OctetString, read.First().Type());
    }

    const Read bits({0x03, 0x04, 0x00, 0x02, 0x01, 0x07});
    ASSERT_EQ(NodeType::InnerBitString, bits.First().Type());

    // Primitive content of other tags: text in three forms, or bytes.
    const Read tagged({0x30, 0x16, 0x81, 0x03, 'a', 'b', 'c', 0x80, 0x02, 0x01, 0x02, 0x82, 0x06, 0x00, 'X', 0x00,
                       'Y', 0x00, 'Z', 0x83, 0x03, 0x01, 0x02, 0x03});
    EXPECT_EQ(0, tagged.errors);
    const auto content = [&](std::size_t i) -> const ASN1Object& {
        return *static_cast<const InnerObject&>(tagged.Nth<DistinctTag>(i)).Children().at(0);
    };
    EXPECT_EQ("abc", content(0).ValueText());
    EXPECT_EQ(NodeType::Hex, content(1).Type());
    EXPECT_EQ("XYZ", content(2).ValueText());
    EXPECT_EQ("01 02 03 ", content(3).ValueText());

    // A time-like text is kept as it is, little-endian two-byte text is
    // read, a byte from 0x80 or three bytes not all letters, digits or
    // blanks are bytes.
    const std::string when = "20110101120000Z";
    Bytes more{0x30, 0x24, 0x80, 0x0F};
    more.insert(more.end(), when.begin(), when.end());
    more.insert(more.end(), {0x81, 0x06, 'X', 0x00, 'Y', 0x00, 'Z', 0x00, 0x82, 0x04, 'a', 0x80, 'b', 'c', 0x83,
                             0x03, '!', '?', '#'});
    const Read classified(more);
    EXPECT_EQ(0, classified.errors);
    const auto inside = [&](std::size_t i) -> const ASN1Object& {
        return *static_cast<const InnerObject&>(classified.Nth<DistinctTag>(i)).Children().at(0);
    };
    EXPECT_EQ(when, inside(0).ValueText());
    EXPECT_EQ("XYZ", inside(1).ValueText());
    EXPECT_EQ(NodeType::Hex, inside(2).Type());
    EXPECT_EQ("61 80 62 63 ", inside(2).ValueText());
    EXPECT_EQ(NodeType::Hex, inside(3).Type());

    // A BMPString of odd length counts one error.
    EXPECT_EQ(1, Read({0x1E, 0x03, 0x00, 0x41, 0x00}).errors);
}

TEST(DerReader, CountsBrokenContainerEnds) {
    EXPECT_EQ(0, Read({0x30, 0x80, 0x05, 0x00, 0x00, 0x00}).errors);       // indefinite, closed
    EXPECT_EQ(1, Read({0x30, 0x04, 0x05, 0x00, 0x00, 0x00}).errors);       // end-of-contents in a definite one
    EXPECT_EQ(1, Read({0x30, 0x80, 0x05, 0x00}).errors);                   // never closed
    EXPECT_EQ(1, Read({0x30, 0x03, 0x05, 0x00, 0xFF}).errors);             // one stray byte left
    EXPECT_EQ(1, Read({0x30, 0x03, 0x04, 0x05, 0x01}).errors);             // an item longer than its container
    EXPECT_EQ(1, Read({0x00, 0x00}).errors);                               // end-of-contents at the top

    // The one byte left in a container, 00 skipped or 05 read as a header
    // that cannot end, costs one error and nothing of the container around.
    for (const std::uint8_t last : {0x00, 0x05}) {
        const Read read({0x30, 0x07, 0x30, 0x03, 0x05, 0x00, last, 0x05, 0x00});
        EXPECT_EQ(1, read.errors) << int{last};
        EXPECT_EQ(2u, static_cast<const InnerObject&>(read.First()).Children().size()) << int{last};
    }
    // An item skipped for an error is skipped whole: a universal tag 29, an
    // empty tagged item, primitive or constructed.
    for (const Bytes& skipped : {Bytes{0x1D, 0x01, 0xAA}, Bytes{0x80, 0x00}, Bytes{0xA0, 0x00}}) {
        Bytes der{0x30, static_cast<std::uint8_t>(skipped.size() + 2)};
        der.insert(der.end(), skipped.begin(), skipped.end());
        der.insert(der.end(), {0x05, 0x00});
        const Read read(der);
        EXPECT_EQ(1, read.errors) << int{skipped[0]};
        ASSERT_EQ(1u, static_cast<const InnerObject&>(read.First()).Children().size()) << int{skipped[0]};
        EXPECT_EQ(NodeType::Null, read.Nth<ASNNull>(0).Type());
    }

    // More than four length bytes end the read; what was built stays.
    const Read fatal({0x30, 0x08, 0x05, 0x00, 0x04, 0x85, 0x01, 0x01, 0x01, 0x01});
    EXPECT_EQ(1, fatal.errors);
    ASSERT_EQ(1u, fatal.root.Children().size());
    EXPECT_EQ(1u, static_cast<const InnerObject&>(fatal.First()).Children().size());

    testkit::PlatformRoot folder;
    ASNRoot root;
    EXPECT_EQ(1, ParseDerFile(root, folder.path() / "missing.der"));
    EXPECT_EQ(0, ParseDerFile(root, folder.write("null.der", std::string("\x05\x00", 2))));
}

TEST(DerReader, DumpsOneIndentedLinePerNode) {
    const Read read({0x30, 0x06, 0x06, 0x01, 0x2A, 0x02, 0x01, 0x05});
    std::ostringstream out;
    read.root.Dump(out, 0);
    const auto& oid = read.Nth<Oid>(0);
    const auto& integer = read.Nth<ASNInteger>(1);
    EXPECT_EQ("ROOT <> \n  SEQUENCE <Sekvence> \n    OID <" + oid.Name() + "> " + oid.ValueText() +
                  "\n    INTEGER <" + integer.Name() + "> 5\n",
              out.str());
}

TEST(DerReader, BoundsHostileLengthsAndNesting) {
    // Two gigabytes announced, six bytes given: counted, nothing allocated.
    EXPECT_GE(Read({0x04, 0x84, 0x7F, 0xFF, 0xFF, 0xFF}).errors, 1);

    Bytes nested;
    for (int i = 0; i < 20000; ++i) nested.insert(nested.end(), {0x30, 0x80});
    const Read deep(nested);
    EXPECT_GE(deep.errors, 1);
    EXPECT_LE(Depth(deep.root), kMaxDepth + 1);

    Bytes longOid{0x06, 0x21};
    longOid.insert(longOid.end(), 33, 0x01);
    EXPECT_EQ(1, Read(longOid).errors);
}

}  // namespace
