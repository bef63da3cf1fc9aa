#include "header_writer.h"

#include <cstdio>
#include <sstream>

#include "platform/text.h"

namespace typelib_compiler {

namespace {

using namespace platform::com::typelib;
using platform::text::toUtf8;

std::string guidInitializer(const GUID& g) {
    char buffer[160];
    std::snprintf(buffer, sizeof buffer,
                  "{0x%08X, 0x%04X, 0x%04X, {0x%02X, 0x%02X, 0x%02X, 0x%02X, 0x%02X, 0x%02X, 0x%02X, 0x%02X}}",
                  g.Data1, g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5],
                  g.Data4[6], g.Data4[7]);
    return buffer;
}

std::string cppType(const Library& library, const TypeRef& type) {
    std::string base;
    switch (type.vt) {
    case VT_I2: base = "SHORT"; break;
    case VT_I4: base = "LONG"; break;
    case VT_INT: base = "INT"; break;
    case VT_UI1: base = "BYTE"; break;
    case VT_UI4: base = "ULONG"; break;
    case VT_UINT: base = "UINT"; break;
    case VT_R8: base = "DOUBLE"; break;
    case VT_DATE: base = "DATE"; break;
    case VT_BSTR: base = "BSTR"; break;
    case VT_BOOL: base = "VARIANT_BOOL"; break;
    case VT_VARIANT: base = "VARIANT"; break;
    case VT_DISPATCH: base = "IDispatch*"; break;
    case VT_UNKNOWN: base = "IUnknown*"; break;
    default: base = toUtf8(library.types[type.userType].name); break;
    }
    return base + std::string(type.pointers, '*');
}

std::string methodName(const Function& f) {
    const std::string name = toUtf8(f.name);
    switch (f.invokeKind) {
    case INVOKE_PROPERTYGET: return "get_" + name;
    case INVOKE_PROPERTYPUT: return "put_" + name;
    case INVOKE_PROPERTYPUTREF: return "putref_" + name;
    default: return name;
    }
}

void writeInterface(std::ostream& out, const Library& library, const TypeEntry& entry) {
    const std::string name = toUtf8(entry.name);
    out << "inline constexpr IID IID_" << name << " = " << guidInitializer(entry.guid) << ";\n";
    if (!entry.help.empty()) out << "// " << toUtf8(entry.help) << "\n";
    out << "struct " << name << " : public IDispatch {\n";
    for (const auto& f : entry.functions) {
        out << "    virtual HRESULT " << methodName(f) << "(";
        for (std::size_t i = 0; i < f.params.size(); ++i)
            out << (i ? ", " : "") << cppType(library, f.params[i].type) << " " << toUtf8(f.params[i].name);
        out << ") = 0;  // " << f.memid << "\n";
    }
    out << "\nprotected:\n    ~" << name << "() = default;\n};\n";
    out << "TESK_COM_INTERFACE_ID(" << name << ", IID_" << name << ");\n\n";
}

}  // namespace

std::string writeHeader(const Library& library, const std::string& source) {
    std::ostringstream out;
    out << "// Made by the type-library compiler from " << source << "; change that file, not this one.\n"
        << "#pragma once\n\n#include \"platform/com/interface_id.h\"\n\n"
        << "// An enumeration the including code already declares (over LONG, with the\n"
        << "// same values) is left out when TESK_TYPELIB_HAS_<name> is defined.\n\n";
    out << "inline constexpr GUID LIBID_" << toUtf8(library.name) << " = " << guidInitializer(library.guid)
        << ";\n\n";
    for (const auto& entry : library.types)
        if (entry.kind == Kind::Interface) out << "struct " << toUtf8(entry.name) << ";\n";
    out << "\n";
    for (const auto& entry : library.types) {
        switch (entry.kind) {
        case Kind::Enum: {
            const std::string name = toUtf8(entry.name);
            out << "#ifndef TESK_TYPELIB_HAS_" << name << "\n";
            out << "enum " << name << " : LONG {\n";
            for (const auto& value : entry.values) out << "    " << toUtf8(value.name) << " = " << value.value << ",\n";
            out << "};\n#endif\n\n";
            break;
        }
        case Kind::Interface:
            writeInterface(out, library, entry);
            break;
        case Kind::CoClass:
            out << "inline constexpr CLSID CLSID_" << toUtf8(entry.name) << " = " << guidInitializer(entry.guid)
                << ";\n\n";
            break;
        }
    }
    return out.str();
}

}  // namespace typelib_compiler
