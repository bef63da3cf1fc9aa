#include "halvex/settings.h"

#include "halvex/settings_xml.h"
#include "win32/files.h"

namespace halvex {
namespace {

bool AttributeIs(const _xmlNode* element, const char16_t* name, const char16_t* expected) {
    std::u16string value;
    return TXml::GetElmAttr(element, name, value) && value == expected;
}

struct FlagAttribute {
    const char16_t* name;
    DWORD flag;
};

constexpr FlagAttribute kFlagAttributes[] = {
    {u"sscd", kProviderSscd},
    {u"other", kProviderOther},
    {u"parvel", kProviderParvel},
    {u"parvel_native", kProviderParvelNative},
};

void ApplyProvider(const _xmlNode* element, TCSPManager& providers) {
    std::u16string name;
    if (!TXml::GetElmAttr(element, u"name", name) || name.empty()) return;
    DWORD flags = AttributeIs(element, u"card", u"TRUE") ? kProviderCard : kProviderSoftware;
    for (const auto& attribute : kFlagAttributes)
        if (AttributeIs(element, attribute.name, u"TRUE")) flags |= attribute.flag;
    const DWORD enabled = AttributeIs(element, u"enabled", u"FALSE") ? 0 : 1;
    const DWORD proof = AttributeIs(element, u"proof", u"TRUE") ? 1 : 0;
    providers.SetProvider(name, flags, enabled, proof);
}

}  // namespace

bool LoadProviderSettings(const std::u16string& path, TCSPManager& providers) {
    if (path.empty() || GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    TXml xml;
    if (!xml.LoadFromFile(path)) return false;
    for (const _xmlNode* element : xml.GetNodes(u"halvex/csplist/csp")) ApplyProvider(element, providers);
    return true;
}

}  // namespace halvex
