// SHOpenWithDialog: checks the request and lets the backend show the chooser.
#include <filesystem>
#include <system_error>

#include "platform/boundary.h"
#include "platform/owner_window.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "win32/ui.h"

namespace {

constexpr DWORD kKnownFlags = OAIF_ALLOW_REGISTRATION | OAIF_REGISTER_EXT | OAIF_EXEC | OAIF_FORCE_REGISTRATION |
                              OAIF_HIDE_REGISTRATION | OAIF_URL_PROTOCOL;

}  // namespace

HRESULT SHOpenWithDialog(HWND hwndParent, const OPENASINFO* poainfo) noexcept {
    using namespace platform;
    return winHr([&] {
        ui::checkOwner(hwndParent);
        if (!poainfo || !poainfo->pcszFile || !*poainfo->pcszFile || (poainfo->oaifInFlags & ~kKnownFlags))
            return E_INVALIDARG;
        if (poainfo->oaifInFlags & OAIF_URL_PROTOCOL) return E_NOTIMPL;
        const std::filesystem::path file = text::toUtf8(poainfo->pcszFile);
        std::error_code error;
        if (!std::filesystem::is_regular_file(file, error)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        const ui::OpenWithRequest request{file.string(), (poainfo->oaifInFlags & OAIF_EXEC) != 0};
        return ui::backend().openWith(request) ? S_OK : HRESULT_FROM_WIN32(ERROR_CANCELLED);
    });
}
