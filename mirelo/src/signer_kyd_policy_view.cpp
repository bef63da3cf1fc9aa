// The signature-policy viewer of the signing object.
#include "common/log.h"
#include "platform/paths.h"
#include "sign_policy_dlg.h"
#include "signer_errors.h"
#include "signer_kyd.h"
#include "win32/ui.h"

// The tree shows the policy as the signer loaded it (from DER or Base64),
// not the file read again, which may have changed since or be Base64.
// Without the language's OID descriptions the tree is still whole: it is
// shown with dotted OIDs, and the log warns.
bool TSignerKyd::ShowSignPolicy() {
    SIGNER_TRACE();
    TSignPolicyDlg dialog;
    if (!IsSignPolicy()) return Record(kErrNoPolicy);
    const auto load = dialog.LoadPolicy(m_signPolicy);
    if (!load.TreeComplete()) return Record(kErrPolicyUnreadable);
    if (!load.descriptionsLoaded)
        Log(sgLogLevelWarns, "OID descriptions not found: " + platform::paths::toAnsi(load.descriptionFile));
    return Record(dialog.Show(GetActiveWindow()) == IDOK ? 0 : kErrDialogFailed);
}
