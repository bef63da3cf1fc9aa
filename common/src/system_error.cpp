// system_error.cpp: string resources, message boxes and system error texts.
#include "common/system_error.h"

#include <cstdio>

#include "common/log.h"
#include "platform/modules.h"
#include "win32/error.h"
#include "win32/memory.h"
#include "win32/message.h"
#include "win32/process.h"
#include "win32/resources.h"
#include "win32/ui.h"

namespace {
constexpr int kResStringSize = 2048;
constexpr UINT kQuestionFlags = MB_YESNOCANCEL | MB_ICONWARNING;
constexpr UINT kWarningFlags = MB_OK | MB_ICONEXCLAMATION;
}  // namespace

std::string LoadResString(UINT id) {
    // Callers build a message and then take GetSystemErrorText for it.
    const DWORD lastError = GetLastError();
    char text[kResStringSize] = {};
    LoadStringA(platform::modules::thisModule(), id, text, kResStringSize);
    SetLastError(lastError);
    return text;
}

int AppMessageBox(const std::string& text, UINT flags) {
    const std::string title = LoadResString(IDS_APP_TITLE);
    return MessageBoxA(GetDesktopWindow(), text.c_str(), title.c_str(), flags);
}

int AppQuestionBox(const std::string& text) { return AppMessageBox(text, kQuestionFlags); }

void AppWarningBox(const std::string& text) { AppMessageBox(text, kWarningFlags); }

std::string GetSystemMessage(DWORD code) {
    const DWORD lastError = GetLastError();
    char* message = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                        reinterpret_cast<LPSTR>(&message), 0, nullptr);
    std::string text = length > 0 && message ? std::string(message, length) : std::string();
    if (message) LocalFree(message);
    SetLastError(lastError);
    return text;
}

std::string GetSystemErrorText(DWORD code) {
    if (code == 0) code = GetLastError();
    if (code == 0) return {};
    char number[32];
    std::snprintf(number, sizeof number, "0x%08X (%u)", code, code);
    const std::string message = GetSystemMessage(code);
    return message.empty() ? std::string(number) : number + std::string("- ") + message;
}

void LogLastError(DWORD level, const std::string& message) {
    if (GetLastError() == 0) return;
    TLogStrVect::Instance()->PrintStr(level, message + GetSystemErrorText());
}

bool IsVistaOrLater() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwMajorVersion >= 6;
}
