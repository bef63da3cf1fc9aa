// TSelectCharsetDlg: the choice of the character set of a signed text
// document (template 202: the prompt, a drop-down list of the names, OK
// and Cancel).
#pragma once

#include <string>
#include <vector>

#include "modal_dialog.h"

class TSelectCharsetDlg final : public TModalDialog {
public:
    static constexpr int kTemplateId = 202;

    // current is preselected when it is a row of the list.
    TSelectCharsetDlg(std::vector<std::string> names, int current);

    // IDOK with the chosen row, IDCANCEL, or -1 when the dialog cannot be
    // made.
    INT_PTR Show(HWND parent);
    // The row selected when OK was pressed; the current row otherwise.
    int Selected() const { return m_selected; }

    BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                              DWORD mapId) override;

private:
    void OnInitDialog();

    std::vector<std::string> m_names;
    int m_selected;
};
