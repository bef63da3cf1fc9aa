// CEnroll: the Yes/No questions the session asks before it deletes or
// exports keys.
#include <cstdarg>

#include "cert_view.h"
#include "enroll.h"
#include "enroll_report.h"
#include "pentak_resource.h"
#include "win32/error.h"
#include "win32/ui.h"

namespace {

constexpr UINT kQuestionStyle = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2 | MB_SETFOREGROUND;
constexpr int kNotAnswered = -1;

}  // namespace

int CEnroll::askYesNo(int captionId, const std::u16string& text) {
    return ShowMessageBox(text, TPentakResource::Instance()->GetString(captionId), kQuestionStyle);
}

BOOL CEnroll::ConfirmContainerAction(int& answer, int captionId, int textId) {
    if (answer == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FailedAt(3080);
    }
    answer = kNotAnswered;
    std::u16string container;
    if (!readContainerName(container, 3083, 3085)) return FALSE;
    answer = askYesNo(captionId, TPentakResource::Instance()->FormatText(textId, container.c_str()));
    return TRUE;
}

BOOL CEnroll::Confirm(int& answer, int captionId, int textId, ...) {
    if (answer == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FailedAt(3174);
    }
    answer = kNotAnswered;
    va_list arguments;
    va_start(arguments, textId);
    const std::u16string text = TPentakResource::Instance()->FormatTextV(textId, arguments);
    va_end(arguments);
    answer = askYesNo(captionId, text);
    return TRUE;
}
