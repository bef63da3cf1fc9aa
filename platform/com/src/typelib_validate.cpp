// The rules a type library keeps, checked once when it is compiled and
// again when a module's copy is loaded, so the runtime can rely on them.
#include <map>
#include <set>
#include <utility>

#include "platform/text.h"
#include "typelib_model.h"

namespace platform::com::typelib {

namespace {

[[noreturn]] void fail(const TypeEntry& entry, const std::string& what) {
    throw FormatError(text::toUtf8(entry.name) + ": " + what);
}

bool isValueType(VARTYPE vt) {
    switch (vt) {
    case VT_I2: case VT_I4: case VT_UI1: case VT_UI4: case VT_INT: case VT_UINT: case VT_R8: case VT_DATE:
    case VT_BOOL: case VT_BSTR: case VT_VARIANT: case VT_DISPATCH: case VT_UNKNOWN:
        return true;
    default:
        return false;
    }
}

// An in argument's type is a value, an enumeration, or an interface of the
// library by pointer; out arguments add one pointer to that.
void checkType(const Library& library, const TypeEntry& entry, const Param& param) {
    const TypeRef& t = param.type;
    const bool out = (param.flags & PARAMFLAG_FOUT) != 0;
    int valuePointers = 0;
    if (t.vt == VT_USERDEFINED) {
        if (t.userType >= library.types.size()) fail(entry, "an argument names a type that does not exist");
        const Kind kind = library.types[t.userType].kind;
        if (kind == Kind::CoClass) fail(entry, "an argument's type is a co-class");
        valuePointers = kind == Kind::Interface ? 1 : 0;
    } else if (!isValueType(t.vt)) {
        fail(entry, "an argument has a type that is not supported");
    }
    if (t.pointers != valuePointers + (out ? 1 : 0))
        fail(entry, out ? "an out argument must be a pointer" : "an in argument cannot be a pointer");
}

void checkFunction(const Library& library, const TypeEntry& entry, const Function& function) {
    if (function.name.empty()) fail(entry, "a function without a name");
    switch (function.invokeKind) {
    case INVOKE_FUNC: case INVOKE_PROPERTYGET: case INVOKE_PROPERTYPUT: case INVOKE_PROPERTYPUTREF:
        break;
    default:
        fail(entry, "a function of an unknown kind");
    }
    if (function.params.size() > kMaxParams) fail(entry, "too many arguments");
    for (std::size_t i = 0; i < function.params.size(); ++i) {
        const Param& param = function.params[i];
        if (param.flags & ~(PARAMFLAG_FIN | PARAMFLAG_FOUT | PARAMFLAG_FRETVAL))
            fail(entry, "an argument with unknown flags");
        if (!(param.flags & (PARAMFLAG_FIN | PARAMFLAG_FOUT))) fail(entry, "an argument neither in nor out");
        if ((param.flags & PARAMFLAG_FRETVAL) &&
            (i + 1 != function.params.size() || param.flags != (PARAMFLAG_FOUT | PARAMFLAG_FRETVAL)))
            fail(entry, "[out, retval] must be the last argument and out only");
        checkType(library, entry, param);
    }
    const bool put = function.invokeKind == INVOKE_PROPERTYPUT || function.invokeKind == INVOKE_PROPERTYPUTREF;
    if (put && (function.params.empty() || (function.params.back().flags & PARAMFLAG_FOUT)))
        fail(entry, "a property put needs its value as the last in argument");
}

void checkInterface(const Library& library, const TypeEntry& entry) {
    std::set<std::pair<MEMBERID, int>> ids;
    std::map<std::u16string, MEMBERID> names;
    for (const auto& function : entry.functions) {
        checkFunction(library, entry, function);
        if (!ids.insert({function.memid, function.invokeKind}).second)
            fail(entry, "two functions with one member id and kind");
        // A name belongs to one member id (its get and put share both).
        const auto [named, inserted] = names.emplace(text::toLower(function.name), function.memid);
        if (!inserted && named->second != function.memid) fail(entry, "two members with one name");
    }
}

}  // namespace

void validate(const Library& library) {
    if (library.types.size() > kMaxTypes) throw FormatError("too many types");
    for (const auto& entry : library.types) {
        if (entry.name.empty()) throw FormatError("a type without a name");
        switch (entry.kind) {
        case Kind::Enum:
            break;
        case Kind::Interface:
            checkInterface(library, entry);
            break;
        case Kind::CoClass:
            if (entry.implemented.empty()) fail(entry, "a co-class that implements nothing");
            for (const auto index : entry.implemented)
                if (index >= library.types.size() || library.types[index].kind != Kind::Interface)
                    fail(entry, "a co-class lists something that is not an interface");
            break;
        default:
            throw FormatError("unknown kind of type");
        }
    }
}

}  // namespace platform::com::typelib
