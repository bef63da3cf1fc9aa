// The sign charset chosen by the user.
#include <string>
#include <vector>

#include "common/resource.h"
#include "select_charset_dlg.h"
#include "signer_errors.h"
#include "signer_kyd.h"
#include "win32/error.h"
#include "win32/ui.h"

namespace {

// Names of charsets 0 to 3, in their numbers' order.
constexpr DWORD kTextFirstCharset = 57;
constexpr LONG kCharsetCount = 4;

}  // namespace

bool TSignerKyd::SelectSignCharset() {
    SIGNER_TRACE();
    std::vector<std::string> names;
    for (LONG number = 0; number < kCharsetCount; ++number) {
        std::string name;
        TResource::Instance()->FormatString(name, kTextFirstCharset + static_cast<DWORD>(number));
        names.push_back(std::move(name));
    }
    TSelectCharsetDlg dialog(std::move(names), static_cast<int>(m_signCharset));
    switch (dialog.Show(GetActiveWindow())) {
    case IDOK: return SetSignCharset(dialog.Selected());
    case IDCANCEL:
        Record(kErrUserCancelled);
        SetLastError(ERROR_CANCELLED);
        return false;
    default: return Record(kErrDialogFailed);
    }
}
