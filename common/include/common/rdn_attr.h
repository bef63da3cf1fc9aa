// TRDNAttr: one attribute of a distinguished name, or one entry of an
// alternative-name list. Lists of it describe subjects and alternative
// names wherever a certificate is shown or a request is built. TRDNAttr
// holds ANSI text; TRDNAttrW, the same record of the wide builds, UTF-16.
#pragma once

#include <string>
#include <utility>

#include "win32/types.h"

template <class Text>
class TRDNAttrOf {
public:
    TRDNAttrOf() = default;
    TRDNAttrOf(Text oid, DWORD valueType, Text value, DWORD flags = 0)
        : oid(std::move(oid)), valueType(valueType), value(std::move(value)), flags(flags) {}
    virtual ~TRDNAttrOf() = default;
    TRDNAttrOf(const TRDNAttrOf&) = default;
    TRDNAttrOf& operator=(const TRDNAttrOf&) = default;

    void Reset() {
        oid.clear();
        valueType = 0;
        value.clear();
        flags = 0;
    }

    // The attribute's OID; for an alternative name the entry's choice number
    // in decimal, or the type OID of an other name.
    Text oid;
    // The value's CERT_RDN_* type.
    DWORD valueType = 0;
    // The value's text.
    Text value;
    // 1 marks an alternative name that is an other name; 0 otherwise.
    DWORD flags = 0;
};

using TRDNAttr = TRDNAttrOf<std::string>;
using TRDNAttrW = TRDNAttrOf<std::u16string>;
