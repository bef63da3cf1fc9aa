// What the transport to a server throws.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace lumvar {

// A failed step of the HTTP(S) exchange: what() is
// "Error in HTTPS connection.\nLibrary error number: N\nMessage: M\n"
// followed by "Line: S\n" when the step is numbered, with M in UTF-8.
class HTTPSException : public std::exception {
public:
    HTTPSException(std::string message, std::uint32_t errorNumber, std::optional<std::uint32_t> step);
    const char* what() const noexcept override { return m_text.c_str(); }
    std::uint32_t errorNumber() const noexcept { return m_errorNumber; }
    std::optional<std::uint32_t> step() const noexcept { return m_step; }

private:
    std::uint32_t m_errorNumber;
    std::optional<std::uint32_t> m_step;
    std::string m_text;
};

// A schema that cannot be loaded, or a reply that is not well-formed, not
// valid or not usable; what() in UTF-8.
class XMLException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace lumvar
