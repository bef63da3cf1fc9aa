// Parameters of a header field value ("text/plain; charset=UTF-8"): found
// after the first ';' outside quotes, or from the start of a value without
// one, so that a value of parameters alone ("filename=\"a.txt\"") has them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mime_parameters {

struct Span {
    size_t start = 0;  // of the value as written (quotes included)
    size_t length = 0;
};

// Where the named parameter's value stands in fieldValue.
std::optional<Span> Find(std::string_view fieldValue, std::string_view name);
// A written value without its quotes and quoting backslashes.
std::string Unquote(std::string_view written);
// The value as it is to be written: quoted (with backslashes before '"'
// and '\') when asked or when it is no plain token.
std::string Quote(std::string_view value, bool quote);

}  // namespace mime_parameters
