// Backends made for other questions (tests' fakes) have no file choosers, no PIN prompt, no
// credentials dialog, no table of rows, no certificate
// dialogs, no template dialogs and no printing; they show no windows, so a cursor has nothing to change
// and a beep no window to come from.
#include "platform/ui.h"
#include "platform/win_error.h"

namespace platform::ui {

std::optional<std::string> Backend::openFile(const OpenFileRequest&) {
    throw WinError(ERROR_NOT_SUPPORTED, "this UI backend cannot offer files to open");
}

std::optional<std::string> Backend::saveFile(const SaveFileRequest&) {
    throw WinError(ERROR_NOT_SUPPORTED, "this UI backend cannot offer files to save");
}

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

void Backend::showCursor(Cursor) {}

void Backend::runDialog(DialogSession&) {
    throw WinError(ERROR_NOT_SUPPORTED, "this UI backend cannot show dialogs");
}

void Backend::showModeless(DialogSession&) {
    throw WinError(ERROR_NOT_SUPPORTED, "this UI backend cannot show dialogs");
}

void Backend::hideModeless(DialogSession&) {}

void Backend::updateModeless(DialogSession&) {}

std::optional<int> Backend::printText(const PrintRequest&) {
    throw WinError(ERROR_NOT_SUPPORTED, "this UI backend cannot print");
}

void Backend::beep(unsigned int) {}

BaseUnits Backend::dialogBaseUnits() { return {}; }

std::optional<PixelRect> Backend::laidOut(const DialogState&, std::optional<std::size_t>) { return std::nullopt; }

}  // namespace platform::ui
