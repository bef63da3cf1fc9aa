// Template dialogs in the script backend: each time the dialog waits for
// the user, its state goes to the transcript as one line
//   Dialog 205: TITLE | 6 default "&Ano" | 228 listbox hidden ["a", "b"] sel 0
//   | 238 static "..." color #FF0000 | 246 checkbox "..." checked disabled
// (each control: id, kind, text, then its rows and selection, "checked",
// "disabled", "hidden" and the text colour the procedure chose; a tree
// view's items follow its text, one a line, indented by two blanks a
// level, as in
//   | 239 tree ""
//     "Signature Policy" expanded
//       "Hash Algorithm"
// ; a text view shows its zoom after its text: 9999 textview "..." zoom 60;
// a list view its columns with their widths and its rows:
//   | 211 listview "" fullrowselect columns ["Reader" 379, "Card" 189]
//   rows [["Reader 0", "Kavlo"], ["Reader 1", "GPK"]] sel 0
// ; the control SetFocus gave the focus is marked "focused"),
// and the next "Dialog" answer acts: "press:ID" clicks a button or check box,
// "check:ID" the same for a check box only, "select:ID:ROW" selects a row
// (from 0) of a list or list view, "close" uses the close box. A control that is
// missing, disabled, hidden or of another kind makes the answer a misfit.
#pragma once

#include <string_view>

#include "platform/dialog_session.h"

namespace platform::ui::script {

inline constexpr std::string_view kDialog = "Dialog";

// Checks a reply's shape when it is queued or read: std::invalid_argument
// for another.
void checkDialogReply(std::string_view reply);

void runDialog(DialogSession& session);

// A modeless dialog asks nothing: its line when shown, "Dialog ID
// hidden" / "shown" / "topmost" / "not topmost" and a control's new text
// ("Dialog ID CONTROL \"TEXT\"") as those change, "Dialog ID destroyed"
// when it goes.
void showModeless(const DialogSession& session);
void updateModeless(const DialogSession& session);
void hideModeless(const DialogSession& session);

}  // namespace platform::ui::script
