// The event handlers of a page that a view without script can follow: an
// assignment of the location, as the pages write their links in script.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform::ui::html {

// The address an "onclick" or "onchange" handler sends the page to when
// it is nothing but "self.location='...'" (also window., document., top.,
// parent. or none; ".href"; double quotes; a "javascript:" prefix and a
// closing ";"); nothing for any other script.
std::optional<std::string> locationAssigned(std::string_view handler);

}  // namespace platform::ui::html
