// The certificate dialogs of the script backend: each asks its question
// with a transcript line that tells what the dialog showed, and acts on the
// reply (script_dialog_replies.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace platform::ui::script {

// " [0] cell | cell [1] cell | cell", the marked row as "[1]*".
std::string rowsText(const std::vector<std::vector<std::string>>& rows, std::optional<std::size_t> marked = {});

std::optional<std::size_t> selectCertificate(const CertificateSelectionRequest& request);
void viewCertificate(const CertificateViewRequest& request);
void manageCertificates(const CertificateManagerRequest& request);

}  // namespace platform::ui::script
