// Certificates and raw registry access for the tests of the remembered and
// trusted certificate lists.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "certificate_support.h"
#include "common/reg.h"
#include "win32/registry.h"

namespace cert_lists_support {

using namespace certificate_support;

inline const std::string kCerts = "Software\\Tesk\\mirelo\\certs";
inline const std::string kTrusted = "Software\\Tesk\\mirelo\\trusted";

struct Certificates {
    pki::Hierarchy pki = pki::Hierarchy::make();
    CertInfo qualified = infoOf(pki.qualified.certificate);  // QcCompliance and QcSSCD
    CertInfo commercial = infoOf(pki.commercial.certificate);
    CertInfo tsa = infoOf(pki.tsa.certificate);
    CertInfo expired = infoOf(pki.expired.certificate);
    CertInfo notYetValid = infoOf(pki.notYetValid.certificate);
    CertInfo qualifiedOnly = infoOf(userIssuedBy(pki.qualifiedCa, "Qualified only")
                                        .qcStatements({{std::string(pki::kQcCompliance)}})
                                        .build()
                                        .certificate);
    // Without QcSSCD, but valid from before the statement existed.
    CertInfo sscdBy2010 = infoOf(userIssuedBy(pki.standardCa, "Since 2010")
                                     .validity(pki::utc("2010-10-31"), pki::fromNow(std::chrono::hours(24 * 365)))
                                     .build()
                                     .certificate);
    // Its PEM text is longer than 8 KB.
    CertInfo large =
        infoOf(userIssuedBy(pki.standardCa, "Many names").subjectAltNames(manyNames()).build().certificate);

    static std::vector<pki::GeneralName> manyNames() {
        std::vector<pki::GeneralName> names;
        for (int i = 0; i < 300; ++i) names.push_back(pki::GeneralName::dns("host-" + std::to_string(i) + ".tesk.cz"));
        return names;
    }
};

inline const Certificates& certs() {
    static const Certificates made;
    return made;
}

// Every value of a key as the narrow registry functions give it: type and
// bytes, by name; empty when the key does not exist.
using Values = std::map<std::string, std::pair<DWORD, std::string>>;

inline Values valuesOf(const std::string& path) {
    Values values;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
    for (DWORD i = 0;; ++i) {
        char name[64];
        DWORD nameLength = sizeof name;
        DWORD type = 0;
        DWORD size = 0;
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        std::string data(size, '\0');
        RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size);
        values[name] = {type, data};
    }
    RegCloseKey(key);
    return values;
}

inline std::pair<DWORD, std::string> dword(DWORD value) {
    return {REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof value)};
}
inline std::pair<DWORD, std::string> sz(const std::string& text) { return {REG_SZ, text + '\0'}; }

// Text values, and "ncerts" when a count is given.
inline void writeValues(const std::string& path, const std::map<std::string, std::string>& texts,
                        std::optional<DWORD> count) {
    CReg key;
    ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, path.c_str()));
    if (count) {
        ASSERT_TRUE(key.SetDword("ncerts", *count));
    }
    for (const auto& [name, text] : texts) ASSERT_TRUE(key.SetString(name.c_str(), text.c_str()));
}

}  // namespace cert_lists_support
