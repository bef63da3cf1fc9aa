#include "lumvar/server_errors.h"

#include <utility>

namespace lumvar {

HTTPSException::HTTPSException(std::string message, std::uint32_t errorNumber, std::optional<std::uint32_t> step)
    : m_errorNumber(errorNumber),
      m_step(step),
      m_text("Error in HTTPS connection.\nLibrary error number: " + std::to_string(errorNumber) +
             "\nMessage: " + std::move(message) + "\n" + (step ? "Line: " + std::to_string(*step) + "\n" : "")) {}

}  // namespace lumvar
