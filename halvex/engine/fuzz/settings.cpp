// The settings file over any bytes, read as the provider list reads it:
// parsed as a text (as UTF-8, whatever it declares), its entries found by
// XPath and their attributes read. Refusals are the expected outcome;
// crashes, hangs and large allocations are the bugs.
#include <cstdint>
#include <exception>
#include <string>

#include "halvex/settings_xml.h"
#include "platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        halvex::TXml xml;
        if (!xml.Load(platform::text::fromUtf8(std::string(reinterpret_cast<const char*>(data), size)))) return 0;
        for (const auto* element : xml.GetNodes(u"halvex/csplist/csp")) {
            std::u16string value;
            halvex::TXml::GetElmAttr(element, u"name", value);
            halvex::TXml::GetElmAttr(element, u"card", value);
        }
    } catch (const std::exception&) {
    }
    return 0;
}
