// The member of ISignerKyd that shows the signer's signature policy.
#include "member_results.h"
#include "signer_kyd_class.h"

HRESULT CSignerKyd::ShowSignPolicy() {
    return RunOperation([&] { return m_signer.ShowSignPolicy(); });
}
