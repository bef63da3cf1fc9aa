#include "chain/scope_names.h"

#include <algorithm>

#include "platform/win_error.h"
#include "win32/error.h"

namespace platform::crypt::chain {

namespace {

bool same(der::View a, der::View b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

}  // namespace

der::Bytes directoryName(der::View name) {
    return der::encode(der::contextConstructed(4), name);
}

der::View nameOfDirectoryName(der::View generalName) {
    const der::Element e = der::readOuter(generalName);
    return e.tag == der::contextConstructed(4) ? e.content : der::View();
}

GeneralNames generalNamesIn(const der::Element& names) {
    GeneralNames list;
    der::Reader r(names.content);
    while (!r.atEnd()) {
        const der::Element name = r.read();
        list.emplace_back(name.encoded.begin(), name.encoded.end());
    }
    return list;
}

GeneralNames distributionPointNames(const der::Element& chosen, der::View base) {
    if (chosen.tag == der::contextConstructed(0)) return generalNamesIn(chosen);
    if (chosen.tag != der::contextConstructed(1)) throw WinError(CRYPT_E_ASN1_BADTAG, "unknown DistributionPointName");
    // The RDN goes after the base name's RDNs: SEQUENCE { base's RDNs, SET { the relative name } }.
    const der::View baseRdns = der::readOuter(base, der::kSequence).content;
    der::Bytes rdns(baseRdns.begin(), baseRdns.end());
    der::concat(rdns, der::encode(der::kSet, chosen.content));
    return {directoryName(der::encode(der::kSequence, rdns))};
}

bool anyInCommon(const GeneralNames& a, const GeneralNames& b) {
    return std::any_of(a.begin(), a.end(), [&](const der::Bytes& x) {
        return std::any_of(b.begin(), b.end(), [&](const der::Bytes& y) { return same(x, y); });
    });
}

}  // namespace platform::crypt::chain
