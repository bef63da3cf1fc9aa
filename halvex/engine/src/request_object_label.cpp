#include "halvex/request_object_label.h"

#include <cstdio>

#include "halvex/resource_strings.h"
#include "win32/datetime.h"

namespace halvex {

namespace {

constexpr std::size_t kMaxLabel = 63;
constexpr UINT kPairText = 33121;
constexpr UINT kObjectText = 33122;

}  // namespace

std::u16string RequestObjectLabel(bool pair, bool native, bool secondKey) {
    std::u16string label = LoadResString(pair ? kPairText : kObjectText);
    if (pair && !native) label += secondKey ? u"SD" : u"QD";
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, " %02u/%02u/%04u %02u:%02u:%02u", unsigned{now.wDay}, unsigned{now.wMonth},
                  unsigned{now.wYear}, unsigned{now.wHour}, unsigned{now.wMinute}, unsigned{now.wSecond});
    label.append(stamp, stamp + std::char_traits<char>::length(stamp));
    if (label.size() > kMaxLabel) label.resize(kMaxLabel);
    return label;
}

}  // namespace halvex
