// A dialog of the UI layer as it was laid out on the screen: where its
// controls stand, and what a person would see wrong there, controls drawn
// over each other or past the window's edge.
#pragma once

#include <string>
#include <vector>

#include "win32/dialogs.h"

namespace testkit {

// The faults of the shown dialog of that title, one line each, the controls named by their texts: a visible control that
// overlaps another (one lying wholly inside another, as in a group box,
// does not) or ends outside the dialog's client area (by more than the
// pixel of a frame laid over its edge). One line saying so
// when no dialog of that title is shown; none when all fit.
std::vector<std::string> dialogLayoutFaults(const std::string& title);

// The visible dialog of exactly that title in this process, or null.
HWND shownDialog(const std::string& title);

// Where the control of that id was laid out in a shown dialog of this
// process, in pixels of the dialog's client area (the layer's
// GetWindowRect of both); an empty rectangle, and a test failure, when the
// dialog has no such control.
RECT placeInDialog(HWND dialog, int id);

class ScreenUser;
struct Shot;
// Waits for the dialog of that title on the screen, fails the test for
// each fault of its layout, then answers it as user.answer does.
void answerCheckingLayout(ScreenUser& user, const std::string& title, const std::string& keys, const Shot& shot);

}  // namespace testkit
