// The certificate dialogs of one copy of the layer, as a table of entry
// points. Every module carries its own copy of the layer, and the
// certificates and stores a caller passes belong to its copy (its handle
// tables, its script answers, its last error). So libcryptui.so holds no
// dialogs itself: each of its exports finds the module it was called from
// and runs that module's table, which the module exports as
// tesk_cryptui_v1 (platform::cryptui's link options see to that).
#pragma once

#include <cstdint>

#include "win32/cryptui.h"

namespace platform::cryptui {

struct DialogTable {
    std::uint32_t size;  // sizeof(DialogTable) of the copy that made it
    PCCERT_CONTEXT (*selectCertificateW)(PCCRYPTUI_SELECTCERTIFICATE_STRUCTW pcsc) noexcept;
    PCCERT_CONTEXT (*selectCertificateA)(PCCRYPTUI_SELECTCERTIFICATE_STRUCTA pcsc) noexcept;
    BOOL (*viewCertificateW)(PCCRYPTUI_VIEWCERTIFICATE_STRUCTW info, BOOL* propertiesChanged) noexcept;
    BOOL (*viewCertificateA)(PCCRYPTUI_VIEWCERTIFICATE_STRUCTA info, BOOL* propertiesChanged) noexcept;
    BOOL (*startCertMgr)(PCCRYPTUI_CERT_MGR_STRUCT info) noexcept;
};

inline constexpr char kDialogTableExport[] = "tesk_cryptui_v1";
using DialogTableEntry = const DialogTable* (*)();

}  // namespace platform::cryptui
