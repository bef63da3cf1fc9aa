// The event handlers of a page that a view without script can follow: an
// assignment of the location, as the pages write their links in script,
// and the few statements an onchange puts before it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::ui::html {

// The address an "onclick" or "onchange" handler sends the page to when
// it is nothing but "self.location='...'" (also window., document., top.,
// parent. or none; ".href"; double quotes; a "javascript:" prefix and a
// closing ";"); nothing for any other script.
std::optional<std::string> locationAssigned(std::string_view handler);

// One statement of a handler the view can follow.
struct HandlerStep {
    enum class Kind {
        CallWithElement,  // NAME(this): the page function NAME given the element
        Navigate,         // the location assigned
    };
    Kind kind = Kind::Navigate;
    std::string text;           // the function's name or the address
    bool appendsValue = false;  // Navigate: "'...' + this.value" or the selected option's value
};

// The statements of a handler separated by ";", each a location assigned
// as above (its address optionally followed by "+ this.value" or
// "+ this.options[this.selectedIndex].value") or a call NAME(this);
// nothing when any statement is other script.
std::optional<std::vector<HandlerStep>> handlerSteps(std::string_view handler);

}  // namespace platform::ui::html
