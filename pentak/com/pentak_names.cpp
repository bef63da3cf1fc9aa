// The names of CPentak's members for late-bound callers. The renewal
// program passes IPentak's identifier where IDispatch reserves IID_NULL;
// the answer is the same for both.
#include "pentak_class.h"

HRESULT CPentak::GetIDsOfNames(const IID& riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) {
    const IID& asked = riid == IID_IPentak ? IID_NULL : riid;
    return platform::com::Dispatch<IPentak>::GetIDsOfNames(asked, rgszNames, cNames, lcid, rgDispId);
}
