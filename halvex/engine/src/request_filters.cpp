// What a renewed certificate carries over of the old one's alternative
// names and extended key usages, by the kind of the request.
#include <algorithm>
#include <array>
#include <span>
#include <string_view>

#include "halvex/request_model.h"

namespace halvex {

namespace {

using Kept = std::span<const std::u16string_view>;

// Alternative names: the other names of the authority's own identifiers,
// or the user principal name, then the choices other name, e-mail address,
// DNS name, URL and IP address.
constexpr std::array<std::u16string_view, 7> kQualifiedNames = {
    u"1.3.6.1.4.1.11801.2.1", u"1.3.6.1.4.1.11801.2.3", u"1", u"2", u"3", u"7", u"8"};
constexpr std::array<std::u16string_view, 6> kCommercialNames = {u"1.3.6.1.4.1.311.20.2.3", u"1", u"2", u"3", u"7",
                                                                 u"8"};

// Extended key usages: any usage, server and client authentication, e-mail
// protection; for a commercial certificate also code signing and smart-card
// logon.
constexpr std::array<std::u16string_view, 4> kQualifiedUsages = {u"2.5.29.37.0", u"1.3.6.1.5.5.7.3.1",
                                                                 u"1.3.6.1.5.5.7.3.2", u"1.3.6.1.5.5.7.3.4"};
constexpr std::array<std::u16string_view, 6> kCommercialUsages = {
    u"2.5.29.37.0",        u"1.3.6.1.5.5.7.3.1", u"1.3.6.1.5.5.7.3.2",
    u"1.3.6.1.5.5.7.3.3", u"1.3.6.1.5.5.7.3.4", u"1.3.6.1.4.1.311.20.2.2"};

void KeepOnly(RequestAttrs& attrs, Kept kept) {
    std::erase_if(attrs,
                  [&](const RequestAttr& attr) { return std::find(kept.begin(), kept.end(), attr.oid) == kept.end(); });
}

// Qualified words first; a word of neither kind keeps everything.
void FilterByKind(RequestAttrs& attrs, DWORD kind, Kept qualified, Kept commercial) {
    if (kind & kKindQualified)
        KeepOnly(attrs, qualified);
    else if (kind & (kKindCommercial | kKindParvelPair))
        KeepOnly(attrs, commercial);
}

}  // namespace

void TCertRequest::FilterAltNames() { FilterByKind(certificate.altNames, kind, kQualifiedNames, kCommercialNames); }

void TCertRequest::FilterExtKeyUsage() {
    FilterByKind(certificate.extKeyUsage, kind, kQualifiedUsages, kCommercialUsages);
}

}  // namespace halvex
