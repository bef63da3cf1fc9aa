// Pages and the files they load, read from a module's RT_HTML resources by
// their "res:" address. Free of GTK and of the layer's Windows headers, so
// both backends of the HTML view share it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform::ui::html {

// The parts of "res://" + module path + "/" + name (percent-encoded bytes
// decoded; a "?query" or "#fragment" dropped). Nothing for another scheme,
// a bad escape or a missing name.
struct ResourceAddress {
    std::filesystem::path module;
    std::string name;
};
std::optional<ResourceAddress> parseResourceUrl(std::string_view url);

// The bytes of the module's RT_HTML resource of that name; nothing when the
// module is not loaded or has no such resource.
std::optional<std::string> readResource(const ResourceAddress& address);

// The content type served for a resource, by its name's extension.
std::string contentTypeOf(std::string_view name);

// The URL a reference of the page at `base` leads to: an absolute one
// ("scheme:...") as it is, "/path" on the base's scheme, anything else
// beside the base's last "/" ("./" and "../" steps applied).
std::string resolveReference(std::string_view base, std::string_view reference);

}  // namespace platform::ui::html
