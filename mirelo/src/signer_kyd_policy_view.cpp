// The signature-policy viewer of the signing object.
#include "sign_policy_dlg.h"
#include "signer_errors.h"
#include "signer_kyd.h"
#include "win32/ui.h"

// The tree shows the policy as the signer loaded it (from DER or Base64),
// not the file read again, which may have changed since or be Base64.
bool TSignerKyd::ShowSignPolicy() {
    SIGNER_TRACE();
    TSignPolicyDlg dialog;
    if (!IsSignPolicy()) return Record(kErrNoPolicy);
    if (!dialog.LoadPolicy(m_signPolicy)) return Record(kErrPolicyUnreadable);
    return Record(dialog.Show(GetActiveWindow()) == IDOK ? 0 : kErrDialogFailed);
}
