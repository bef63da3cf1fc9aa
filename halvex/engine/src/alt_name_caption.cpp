#include "halvex/alt_name_caption.h"

#include "halvex/resource_strings.h"

namespace halvex {

namespace {

constexpr DWORD kOtherNameFlag = 1;
constexpr char16_t kOtherNameChoice[] = u"1";
constexpr char16_t kIkMpsvOid[] = u"1.3.6.1.4.1.11801.2.1";
constexpr char16_t kIdsMpsvOid[] = u"1.3.6.1.4.1.11801.2.3";

struct Caption {
    const char16_t* choice;
    UINT text;
};
constexpr Caption kCaptions[] = {
    {u"2", 33086},  // e-mail address
    {u"3", 33087},  // DNS name
    {u"7", 33088},  // URL
    {u"8", 33089},  // IP address
};

}  // namespace

std::u16string AltNameCaption(const TRDNAttrW& entry) {
    if (entry.flags == kOtherNameFlag || entry.oid == kOtherNameChoice) {
        if (entry.oid == kIkMpsvOid) return LoadResString(33105) + u": ";
        if (entry.oid == kIdsMpsvOid) return LoadResString(33106) + u": ";
        return LoadResString(33085);
    }
    for (const Caption& caption : kCaptions)
        if (entry.oid == caption.choice) return LoadResString(caption.text);
    return {};
}

}  // namespace halvex
