// TMimeEncDlg: a document's MIME entity as text (template 200: a read-only
// rich edit filling the dialog, and OK).
#pragma once

#include <string>

#include "modal_dialog.h"

class TMimeEncDlg final : public TModalDialog {
public:
    static constexpr int kTemplateId = 200;

    explicit TMimeEncDlg(std::string mimeText);

    // IDOK for OK and the close box; -1 when the dialog cannot be made
    // (no rich-edit library).
    INT_PTR Show(HWND parent);

    BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                              DWORD mapId) override;

private:
    std::string m_mimeText;
};
