// The member of ISignerKyd that lets the user choose the sign charset.
#include "member_results.h"
#include "signer_kyd_class.h"

HRESULT CSignerKyd::SelectSignCharset() {
    return RunOperation([&] { return m_signer.SelectSignCharset(); });
}
