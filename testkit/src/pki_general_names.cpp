// Encoders of the extensions made of general names: alternative names,
// CRL distribution points and authority information access.
#include <stdexcept>

#include "pki_extensions.h"

namespace testkit::pki::detail {

namespace {

using GeneralNamePtr = Owned<GENERAL_NAME, GENERAL_NAME_free>;
using GeneralNames = Owned<GENERAL_NAMES, GENERAL_NAMES_free>;
using DistPoints = Owned<CRL_DIST_POINTS, CRL_DIST_POINTS_free>;
using InfoAccess = Owned<AUTHORITY_INFO_ACCESS, AUTHORITY_INFO_ACCESS_free>;
using AsnType = Owned<ASN1_TYPE, ASN1_TYPE_free>;

GeneralNamePtr generalName(const GeneralName& name) {
    GeneralNamePtr out(require(GENERAL_NAME_new(), "GENERAL_NAME_new"));
    switch (name.kind) {
    case GeneralName::Kind::OtherName: {
        AsnObject type = asn1Object(name.otherNameType);
        AsnString text = asn1String(name.value, name.otherNameEncoding);
        AsnType value(require(ASN1_TYPE_new(), "ASN1_TYPE_new"));
        const int tag = ASN1_STRING_type(text.get());
        ASN1_TYPE_set(value.get(), tag, text.release());
        require(GENERAL_NAME_set0_othername(out.get(), type.get(), value.get()) == 1, "GENERAL_NAME_set0_othername");
        type.release();
        value.release();
        break;
    }
    case GeneralName::Kind::Rfc822:
        GENERAL_NAME_set0_value(out.get(), GEN_EMAIL, asn1String(name.value, StringType::Ia5).release());
        break;
    case GeneralName::Kind::Dns:
        GENERAL_NAME_set0_value(out.get(), GEN_DNS, asn1String(name.value, StringType::Ia5).release());
        break;
    case GeneralName::Kind::Uri:
        GENERAL_NAME_set0_value(out.get(), GEN_URI, asn1String(name.value, StringType::Ia5).release());
        break;
    case GeneralName::Kind::IpAddress: {
        ASN1_OCTET_STRING* address = a2i_IPADDRESS(name.value.c_str());
        if (!address) throw std::invalid_argument("not an IP address: " + name.value);
        GENERAL_NAME_set0_value(out.get(), GEN_IPADD, address);
        break;
    }
    case GeneralName::Kind::DirectoryName:
        GENERAL_NAME_set0_value(out.get(), GEN_DIRNAME, toOpenssl(name.directoryName).release());
        break;
    }
    return out;
}

void push(GENERAL_NAMES* names, GeneralNamePtr name) {
    require(sk_GENERAL_NAME_push(names, name.get()) > 0, "sk_GENERAL_NAME_push");
    name.release();
}

}  // namespace

Extension altNamesExtension(std::string_view oid, const std::vector<GeneralName>& names) {
    GeneralNames value(require(GENERAL_NAMES_new(), "GENERAL_NAMES_new"));
    for (const auto& name : names) push(value.get(), generalName(name));
    return {std::string(oid), false, derOf(i2d_GENERAL_NAMES, value.get())};
}

// One distribution point per URL, each a full name.
Extension crlDistributionPointsExtension(const std::vector<std::string>& urls) {
    DistPoints value(require(sk_DIST_POINT_new_null(), "sk_DIST_POINT_new_null"));
    for (const auto& url : urls) {
        DIST_POINT* point = require(DIST_POINT_new(), "DIST_POINT_new");
        if (!sk_DIST_POINT_push(value.get(), point)) {
            DIST_POINT_free(point);
            throwOpenssl("sk_DIST_POINT_push");
        }
        point->distpoint = require(DIST_POINT_NAME_new(), "DIST_POINT_NAME_new");
        point->distpoint->type = 0;
        point->distpoint->name.fullname = require(GENERAL_NAMES_new(), "GENERAL_NAMES_new");
        push(point->distpoint->name.fullname, generalName(GeneralName::uri(url)));
    }
    return {"2.5.29.31", false, derOf(i2d_CRL_DIST_POINTS, value.get())};
}

Extension authorityInfoAccessExtension(const std::vector<AccessDescription>& access) {
    InfoAccess value(require(sk_ACCESS_DESCRIPTION_new_null(), "sk_ACCESS_DESCRIPTION_new_null"));
    for (const auto& entry : access) {
        ACCESS_DESCRIPTION* description = require(ACCESS_DESCRIPTION_new(), "ACCESS_DESCRIPTION_new");
        if (!sk_ACCESS_DESCRIPTION_push(value.get(), description)) {
            ACCESS_DESCRIPTION_free(description);
            throwOpenssl("sk_ACCESS_DESCRIPTION_push");
        }
        ASN1_OBJECT_free(description->method);
        description->method = asn1Object(entry.method).release();
        GENERAL_NAME_free(description->location);
        description->location = generalName(GeneralName::uri(entry.uri)).release();
    }
    return {"1.3.6.1.5.5.7.1.1", false, derOf(i2d_AUTHORITY_INFO_ACCESS, value.get())};
}

}  // namespace testkit::pki::detail
