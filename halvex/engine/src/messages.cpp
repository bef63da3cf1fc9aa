#include "halvex/messages.h"

#include <cstdarg>

#include "bounded_format.h"
#include "common/system_error.h"
#include "halvex/files_and_paths.h"
#include "halvex/log.h"
#include "halvex/resource_strings.h"
#include "halvex/text_utils.h"
#include "platform/text.h"
#include "win32/error.h"
#include "win32/ui.h"

namespace halvex {
namespace {

constexpr int kFirstErrorCode = 4001;
constexpr UINT kErrorStringBase = 28800;

struct MessageBoxHooks {
    HWND mainWindow = nullptr;
    std::function<void()> beforeShow;
};

MessageBoxHooks& Hooks() {
    static MessageBoxHooks hooks;
    return hooks;
}

std::u16string WithCodeLine(std::u16string text, int code) {
    return text + u"\n\nKód chyby: " + platform::text::toWide(std::to_string(code), CP_ACP);
}

}  // namespace

void SetMessageBoxHooks(HWND mainWindow, std::function<void()> beforeShow) {
    Hooks() = {mainWindow, std::move(beforeShow)};
}

int AppMessageBox(const std::u16string& text, UINT style) {
    const MessageBoxHooks& hooks = Hooks();
    if (hooks.beforeShow) hooks.beforeShow();
    if (hooks.mainWindow) return MessageBoxW(hooks.mainWindow, text.c_str(), u"Halvex", style);
    return MessageBoxW(GetDesktopWindow(), text.c_str(), GetProgramName().c_str(), style);
}

std::u16string FormatErrorMessage(int code, bool withCodeLine, ...) {
    if (code < kFirstErrorCode) return {};
    va_list args;
    va_start(args, withCodeLine);
    std::u16string text = FormatBounded(LoadResString(kErrorStringBase + static_cast<UINT>(code)), 1023, args);
    va_end(args);
    return withCodeLine ? WithCodeLine(std::move(text), code) : text;
}

std::u16string GetSystemErrorText() {
    if (GetLastError() == 0) return {};
    return u"Číslo systémové chyby: " + platform::text::toWide(::GetSystemErrorText(), CP_ACP);
}

void ErrorBox(const std::u16string& text, int code, bool withSystemError, bool silent) {
    const std::u16string systemError = withSystemError ? GetSystemErrorText() : std::u16string();
    std::u16string message = text;
    // The error text is shown as it stands: with no arguments to give, a
    // placeholder in it must not be formatted.
    if (code >= kFirstErrorCode) {
        if (!message.empty()) message += u"\n\n";
        message += WithCodeLine(LoadResString(kErrorStringBase + static_cast<UINT>(code)), code);
    }
    if (!systemError.empty()) message += u"\n\n" + systemError;
    if (!silent) AppMessageBox(message, MB_ICONERROR | MB_OK);

    std::u16string logged = silent ? message
                                   : u"============== ErrorBox ===============\n" + message +
                                         u"\n=======================================";
    ReplaceAll(logged, u"\n\n", u"\n");
    TLogFile::GetInstance().Write(logged);
}

}  // namespace halvex
