// TMimeEncDlg: a document's MIME entity as text (template 200: a read-only
// rich edit filling the dialog, and OK).
#pragma once

#include <string>

#include "signing_dialog.h"

// Show gives IDOK for OK and the close box; -1 when the dialog cannot be
// made (no rich-edit library).
class TMimeEncDlg final : public TSigningDialog {
public:
    static constexpr int kTemplateId = 200;

    explicit TMimeEncDlg(std::string mimeText);

private:
    void OnInitDialog() override;

    std::string m_mimeText;
};
