// TRDNAttr: one attribute of a distinguished name, or one entry of an
// alternative-name list. Lists of it describe subjects and alternative
// names wherever a certificate is shown or a request is built.
#pragma once

#include <string>
#include <utility>

#include "win32/types.h"

class TRDNAttr {
public:
    TRDNAttr() = default;
    TRDNAttr(std::string oid, DWORD valueType, std::string value, DWORD flags = 0)
        : oid(std::move(oid)), valueType(valueType), value(std::move(value)), flags(flags) {}
    virtual ~TRDNAttr() = default;
    TRDNAttr(const TRDNAttr&) = default;
    TRDNAttr& operator=(const TRDNAttr&) = default;

    void Reset() {
        oid.clear();
        valueType = 0;
        value.clear();
        flags = 0;
    }

    // The attribute's OID; for an alternative name the entry's choice number
    // in decimal, or the type OID of an other name.
    std::string oid;
    // The value's CERT_RDN_* type.
    DWORD valueType = 0;
    // The value as ANSI text.
    std::string value;
    // 1 marks an alternative name that is an other name; 0 otherwise.
    DWORD flags = 0;
};
