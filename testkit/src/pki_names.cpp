// Distinguished names and general names as the caller writes them.
#include <utility>

#include "testkit/pki.h"

namespace testkit::pki {

Name::Name(std::initializer_list<Attribute> attributes) {
    for (const auto& attribute : attributes) add(attribute);
}

Name& Name::add(Attribute attribute) {
    m_rdns.push_back({std::move(attribute)});
    return *this;
}

Name& Name::addMultiValued(std::vector<Attribute> attributes) {
    m_rdns.push_back(std::move(attributes));
    return *this;
}

GeneralName GeneralName::otherName(std::string typeOid, std::string value, StringType encoding) {
    GeneralName name{Kind::OtherName, std::move(value)};
    name.otherNameType = std::move(typeOid);
    name.otherNameEncoding = encoding;
    return name;
}

GeneralName GeneralName::rfc822(std::string address) { return {Kind::Rfc822, std::move(address)}; }

GeneralName GeneralName::dns(std::string name) { return {Kind::Dns, std::move(name)}; }

GeneralName GeneralName::uri(std::string uri) { return {Kind::Uri, std::move(uri)}; }

GeneralName GeneralName::ip(std::string address) { return {Kind::IpAddress, std::move(address)}; }

GeneralName GeneralName::directory(Name name) {
    GeneralName general{Kind::DirectoryName};
    general.directoryName = std::move(name);
    return general;
}

}  // namespace testkit::pki
