// TSelectCharsetDlg: the choice of the character set of a signed text
// document (template 202: the prompt, a drop-down list of the names, OK
// and Cancel).
#pragma once

#include <string>
#include <vector>

#include "signing_dialog.h"

// Show gives IDOK with the chosen row, IDCANCEL, or -1 when the dialog
// cannot be made.
class TSelectCharsetDlg final : public TSigningDialog {
public:
    static constexpr int kTemplateId = 202;

    // current is preselected when it is a row of the list.
    TSelectCharsetDlg(std::vector<std::string> names, int current);

    // The row selected when OK was pressed; the current row otherwise.
    int Selected() const { return m_selected; }

private:
    void OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    std::vector<std::string> m_names;
    int m_selected;
};
