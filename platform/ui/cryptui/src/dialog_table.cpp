// This copy's dialogs, exported for libcryptui.so (dialog_table.h).
#include "dialog_table.h"

#include "certificate_manager.h"
#include "certificate_selection.h"
#include "certificate_view.h"

namespace {

const platform::cryptui::DialogTable kDialogs = {
    sizeof(platform::cryptui::DialogTable),
    platform::cryptui::selectCertificateW,
    platform::cryptui::selectCertificateA,
    platform::cryptui::viewCertificateW,
    platform::cryptui::viewCertificateA,
    platform::cryptui::startCertMgr,
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const platform::cryptui::DialogTable* tesk_cryptui_v1() {
    return &kDialogs;
}
