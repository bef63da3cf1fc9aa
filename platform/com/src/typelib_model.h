// A type library in memory, as the type-library compiler builds it from a
// description and as the runtime reads it back from the binary form that
// modules carry as resource TYPELIB 1.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "win32/oleauto.h"

namespace platform::com::typelib {

enum class Kind : std::uint8_t { Enum = 1, Interface = 2, CoClass = 3 };

// A value type (VT_I4, VT_BSTR, VT_VARIANT ..., or VT_USERDEFINED naming
// another type of the library) behind `pointers` levels of indirection. An
// interface of the library is VT_USERDEFINED with at least one pointer.
struct TypeRef {
    VARTYPE vt = VT_EMPTY;
    std::uint8_t pointers = 0;
    std::uint32_t userType = 0;  // index into Library::types for VT_USERDEFINED
};

struct Param {
    std::u16string name;
    USHORT flags = PARAMFLAG_FIN;  // PARAMFLAG_FIN / FOUT / FRETVAL
    TypeRef type;
};

// Every function returns an HRESULT; its place in the vtable is its place
// in the interface, after the seven IUnknown and IDispatch entries.
struct Function {
    MEMBERID memid = 0;
    INVOKEKIND invokeKind = INVOKE_FUNC;
    std::u16string name;
    std::u16string help;
    std::vector<Param> params;
    // A slot the interface keeps for its order only: no name resolves to
    // it and dispatch does not call it.
    bool hidden = false;
};

struct EnumValue {
    std::u16string name;
    LONG value = 0;
};

struct TypeEntry {
    Kind kind = Kind::Enum;
    std::u16string name;
    std::u16string help;
    GUID guid{};
    std::vector<EnumValue> values;          // Enum
    std::vector<Function> functions;        // Interface (always dual)
    std::vector<std::uint32_t> implemented; // CoClass: interfaces, the first is the default
};

struct Library {
    GUID guid{};
    WORD major = 1;
    WORD minor = 0;
    LCID lcid = 0;
    std::u16string name;
    std::u16string help;
    std::vector<TypeEntry> types;
};

// A description or a binary library that breaks the rules.
class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Bounds every library keeps, so that a damaged blob costs little to refuse.
inline constexpr std::size_t kMaxTypes = 1024;
inline constexpr std::size_t kMaxMembers = 4096;
inline constexpr std::size_t kMaxParams = 64;
inline constexpr std::size_t kMaxNameLength = 1024;
inline constexpr std::size_t kMaxTextLength = 4096;

// Checks what the runtime relies on: known value types, user types that
// exist (enums by value, interfaces by pointer), out arguments through a
// pointer, at most one [out, retval] and only as the last argument, no two
// functions with the same member id and kind, unique member names but for
// get/put pairs, co-classes that list interfaces. Throws FormatError.
void validate(const Library& library);

std::vector<BYTE> encode(const Library& library);
// Throws FormatError for anything but a well-formed, valid library.
Library decode(std::span<const BYTE> blob);

}  // namespace platform::com::typelib
