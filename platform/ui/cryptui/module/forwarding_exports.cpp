// libcryptui.so, "cryptui.dll": the five exports run the dialogs of the
// copy of the layer in the module that called them (src/dialog_table.h).
// A caller whose module carries no dialogs gets FALSE or null; its last
// error, which belongs to its own copy, cannot be set from here.
#include <dlfcn.h>

#include "dialog_table.h"
#include "win32/modules.h"

namespace {

using platform::cryptui::DialogTable;

// The table of the module whose code holds the return address.
const DialogTable* dialogsOf(const void* returnAddress) noexcept {
    Dl_info info{};
    if (!dladdr(returnAddress, &info) || !info.dli_fbase) return nullptr;
    const auto entry = reinterpret_cast<platform::cryptui::DialogTableEntry>(
        GetProcAddress(static_cast<HMODULE>(info.dli_fbase), platform::cryptui::kDialogTableExport));
    const DialogTable* table = entry ? entry() : nullptr;
    // A table of another size comes from a different build.
    return table && table->size == sizeof(DialogTable) ? table : nullptr;
}

}  // namespace

#define CALLER_DIALOGS dialogsOf(__builtin_extract_return_addr(__builtin_return_address(0)))

extern "C" {

__attribute__((visibility("default"), noinline)) PCCERT_CONTEXT
CryptUIDlgSelectCertificateW(PCCRYPTUI_SELECTCERTIFICATE_STRUCTW pcsc) {
    const DialogTable* dialogs = CALLER_DIALOGS;
    return dialogs ? dialogs->selectCertificateW(pcsc) : nullptr;
}

__attribute__((visibility("default"), noinline)) PCCERT_CONTEXT
CryptUIDlgSelectCertificateA(PCCRYPTUI_SELECTCERTIFICATE_STRUCTA pcsc) {
    const DialogTable* dialogs = CALLER_DIALOGS;
    return dialogs ? dialogs->selectCertificateA(pcsc) : nullptr;
}

__attribute__((visibility("default"), noinline)) BOOL
CryptUIDlgViewCertificateW(PCCRYPTUI_VIEWCERTIFICATE_STRUCTW pCertViewInfo, BOOL* pfPropertiesChanged) {
    const DialogTable* dialogs = CALLER_DIALOGS;
    return dialogs ? dialogs->viewCertificateW(pCertViewInfo, pfPropertiesChanged) : FALSE;
}

__attribute__((visibility("default"), noinline)) BOOL
CryptUIDlgViewCertificateA(PCCRYPTUI_VIEWCERTIFICATE_STRUCTA pCertViewInfo, BOOL* pfPropertiesChanged) {
    const DialogTable* dialogs = CALLER_DIALOGS;
    return dialogs ? dialogs->viewCertificateA(pCertViewInfo, pfPropertiesChanged) : FALSE;
}

__attribute__((visibility("default"), noinline)) BOOL CryptUIStartCertMgr(PCCRYPTUI_CERT_MGR_STRUCT pCryptUICertMgr) {
    const DialogTable* dialogs = CALLER_DIALOGS;
    return dialogs ? dialogs->startCertMgr(pCryptUICertMgr) : FALSE;
}

}  // extern "C"
