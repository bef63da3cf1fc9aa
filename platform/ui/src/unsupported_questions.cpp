// Backends made for other questions (tests' fakes) have no PIN prompt, no
// credentials dialog and no certificate dialogs.
#include "platform/ui.h"
#include "platform/win_error.h"

namespace platform::ui {

std::optional<std::string> Backend::askPin(const PinRequest&) {
    throw WinError(ERROR_NOT_SUPPORTED, "this UI backend cannot ask for a PIN");
}

std::optional<Credentials> Backend::askCredentials(const CredentialsRequest&) {
    throw WinError(ERROR_NOT_SUPPORTED, "this UI backend cannot ask for a user name and password");
}

std::optional<std::size_t> Backend::chooseCertificate(const CertificateChoiceRequest&) {
    throw WinError(ERROR_NOT_SUPPORTED, "this UI backend cannot offer certificates");
}

std::optional<std::size_t> Backend::selectCertificate(const CertificateSelectionRequest&) {
    throw WinError(ERROR_NOT_SUPPORTED, "this UI backend cannot offer certificates");
}

void Backend::viewCertificate(const CertificateViewRequest&) {
    throw WinError(ERROR_NOT_SUPPORTED, "this UI backend cannot show certificates");
}

void Backend::manageCertificates(const CertificateManagerRequest&) {
    throw WinError(ERROR_NOT_SUPPORTED, "this UI backend cannot show certificates");
}

}  // namespace platform::ui
