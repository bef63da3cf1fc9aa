// The binary form of a type library: little-endian numbers, texts as a
// count of UTF-16 units and the units, in this order:
//   magic "TESKTLB" and format version 1 (8 bytes)
//   library: guid, major, minor (u16), lcid (u32), name, help, type count (u32)
//   each type: kind (u8), name, help, guid, then by kind
//     enum:      count, each value: name, value (i32)
//     interface: count, each function: memid (i32), invoke kind (u8, bit
//                0x80 for a hidden slot), name,
//                help, count, each argument: name, flags (u16), type
//     co-class:  count, each: type index (u32)
//   type: vt (u16), pointers (u8), user type index (u32)
// A guid is Data1 (u32), Data2, Data3 (u16) and the 8 bytes of Data4.
// Counts are checked against their bounds and against the bytes left before
// anything is allocated, so a damaged blob is refused cheaply.
#include <cstring>

#include "typelib_model.h"

namespace platform::com::typelib {

namespace {

constexpr BYTE kMagic[8] = {'T', 'E', 'S', 'K', 'T', 'L', 'B', 1};

class Writer {
public:
    void bytes(const void* data, std::size_t size) {
        const auto* p = static_cast<const BYTE*>(data);
        m_out.insert(m_out.end(), p, p + size);
    }
    void u8(std::uint8_t v) { m_out.push_back(v); }
    void u16(std::uint16_t v) {
        u8(static_cast<std::uint8_t>(v));
        u8(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v) {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void text(const std::u16string& s) {
        u32(static_cast<std::uint32_t>(s.size()));
        for (char16_t c : s) u16(c);
    }
    void guid(const GUID& g) {
        u32(g.Data1);
        u16(g.Data2);
        u16(g.Data3);
        bytes(g.Data4, sizeof g.Data4);
    }
    void type(const TypeRef& t) {
        u16(t.vt);
        u8(t.pointers);
        u32(t.userType);
    }
    std::vector<BYTE> take() { return std::move(m_out); }

private:
    std::vector<BYTE> m_out;
};

class Reader {
public:
    explicit Reader(std::span<const BYTE> in) : m_in(in) {}

    std::size_t left() const noexcept { return m_in.size() - m_at; }
    void need(std::size_t size) const {
        if (size > left()) throw FormatError("type library ends early");
    }
    std::uint8_t u8() {
        need(1);
        return m_in[m_at++];
    }
    std::uint16_t u16() {
        const std::uint16_t lo = u8();
        return static_cast<std::uint16_t>(lo | (u8() << 8));
    }
    std::uint32_t u32() {
        const std::uint32_t lo = u16();
        return lo | (static_cast<std::uint32_t>(u16()) << 16);
    }
    // A count of items each at least `itemSize` bytes long, within `limit`.
    std::size_t count(std::size_t limit, std::size_t itemSize, const char* what) {
        const std::size_t n = u32();
        if (n > limit) throw FormatError(std::string("too many ") + what);
        need(n * itemSize);
        return n;
    }
    std::u16string text(std::size_t limit) {
        const std::size_t n = count(limit, 2, "characters in a text");
        std::u16string s(n, u'\0');
        for (auto& c : s) c = static_cast<char16_t>(u16());
        return s;
    }
    GUID guid() {
        GUID g{};
        g.Data1 = u32();
        g.Data2 = u16();
        g.Data3 = u16();
        need(sizeof g.Data4);
        std::memcpy(g.Data4, m_in.data() + m_at, sizeof g.Data4);
        m_at += sizeof g.Data4;
        return g;
    }
    TypeRef type() {
        TypeRef t;
        t.vt = u16();
        t.pointers = u8();
        t.userType = u32();
        return t;
    }
    void magic() {
        need(sizeof kMagic);
        if (std::memcmp(m_in.data(), kMagic, sizeof kMagic) != 0) throw FormatError("not a type library");
        m_at += sizeof kMagic;
    }

private:
    std::span<const BYTE> m_in;
    std::size_t m_at = 0;
};

// The fewest bytes each kind of item takes, for the counts' checks.
constexpr std::size_t kTextBytes = 4;
constexpr std::size_t kTypeBytes = 7;
constexpr std::size_t kGuidBytes = 16;
constexpr std::size_t kEntryBytes = 1 + 2 * kTextBytes + kGuidBytes + 4;
constexpr std::size_t kValueBytes = kTextBytes + 4;
constexpr std::size_t kFunctionBytes = 4 + 1 + 2 * kTextBytes + 4;
constexpr std::size_t kParamBytes = kTextBytes + 2 + kTypeBytes;
constexpr std::uint8_t kHiddenBit = 0x80;

INVOKEKIND invokeKindOf(std::uint8_t value) {
    switch (value) {
    case INVOKE_FUNC: case INVOKE_PROPERTYGET: case INVOKE_PROPERTYPUT: case INVOKE_PROPERTYPUTREF:
        return static_cast<INVOKEKIND>(value);
    default:
        throw FormatError("a function of an unknown kind");
    }
}

void readMembers(Reader& in, TypeEntry& entry) {
    switch (entry.kind) {
    case Kind::Enum:
        entry.values.resize(in.count(kMaxMembers, kValueBytes, "enumeration values"));
        for (auto& value : entry.values) {
            value.name = in.text(kMaxNameLength);
            value.value = static_cast<LONG>(in.u32());
        }
        break;
    case Kind::Interface:
        entry.functions.resize(in.count(kMaxMembers, kFunctionBytes, "functions"));
        for (auto& function : entry.functions) {
            function.memid = static_cast<MEMBERID>(in.u32());
            const std::uint8_t kind = in.u8();
            function.hidden = (kind & kHiddenBit) != 0;
            function.invokeKind = invokeKindOf(static_cast<std::uint8_t>(kind & ~kHiddenBit));
            function.name = in.text(kMaxNameLength);
            function.help = in.text(kMaxTextLength);
            function.params.resize(in.count(kMaxParams, kParamBytes, "arguments"));
            for (auto& param : function.params) {
                param.name = in.text(kMaxNameLength);
                param.flags = in.u16();
                param.type = in.type();
            }
        }
        break;
    case Kind::CoClass:
        entry.implemented.resize(in.count(kMaxTypes, 4, "implemented interfaces"));
        for (auto& index : entry.implemented) index = in.u32();
        break;
    default:
        throw FormatError("unknown kind of type");
    }
}

}  // namespace

std::vector<BYTE> encode(const Library& library) {
    validate(library);
    Writer out;
    out.bytes(kMagic, sizeof kMagic);
    out.guid(library.guid);
    out.u16(library.major);
    out.u16(library.minor);
    out.u32(library.lcid);
    out.text(library.name);
    out.text(library.help);
    out.u32(static_cast<std::uint32_t>(library.types.size()));
    for (const auto& entry : library.types) {
        out.u8(static_cast<std::uint8_t>(entry.kind));
        out.text(entry.name);
        out.text(entry.help);
        out.guid(entry.guid);
        switch (entry.kind) {
        case Kind::Enum:
            out.u32(static_cast<std::uint32_t>(entry.values.size()));
            for (const auto& value : entry.values) {
                out.text(value.name);
                out.u32(static_cast<std::uint32_t>(value.value));
            }
            break;
        case Kind::Interface:
            out.u32(static_cast<std::uint32_t>(entry.functions.size()));
            for (const auto& function : entry.functions) {
                out.u32(static_cast<std::uint32_t>(function.memid));
                out.u8(static_cast<std::uint8_t>(function.invokeKind | (function.hidden ? kHiddenBit : 0)));
                out.text(function.name);
                out.text(function.help);
                out.u32(static_cast<std::uint32_t>(function.params.size()));
                for (const auto& param : function.params) {
                    out.text(param.name);
                    out.u16(param.flags);
                    out.type(param.type);
                }
            }
            break;
        case Kind::CoClass:
            out.u32(static_cast<std::uint32_t>(entry.implemented.size()));
            for (const auto index : entry.implemented) out.u32(index);
            break;
        }
    }
    return out.take();
}

Library decode(std::span<const BYTE> blob) {
    Reader in(blob);
    in.magic();
    Library library;
    library.guid = in.guid();
    library.major = in.u16();
    library.minor = in.u16();
    library.lcid = in.u32();
    library.name = in.text(kMaxNameLength);
    library.help = in.text(kMaxTextLength);
    library.types.resize(in.count(kMaxTypes, kEntryBytes, "types"));
    for (auto& entry : library.types) {
        entry.kind = static_cast<Kind>(in.u8());
        entry.name = in.text(kMaxNameLength);
        entry.help = in.text(kMaxTextLength);
        entry.guid = in.guid();
        readMembers(in, entry);
    }
    if (in.left() != 0) throw FormatError("bytes after the type library");
    validate(library);
    return library;
}

}  // namespace platform::com::typelib
