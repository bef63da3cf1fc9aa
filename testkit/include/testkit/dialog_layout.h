// What a person would see wrong in a dialog of the UI layer as it was laid
// out on the screen: controls drawn over each other or past the window's
// edge.
#pragma once

#include <string>
#include <vector>

namespace testkit {

// The faults of the shown dialog of that title, one line each, the controls named by their texts: a visible control that
// overlaps another (one lying wholly inside another, as in a group box,
// does not) or ends outside the dialog's client area. One line saying so
// when no dialog of that title is shown; none when all fit.
std::vector<std::string> dialogLayoutFaults(const std::string& title);

class ScreenUser;
// Waits for the dialog of that title on the screen, fails the test for
// each fault of its layout, then answers it as user.answer does.
void answerCheckingLayout(ScreenUser& user, const std::string& title, const std::string& keys,
                          const std::string& shot = {});

}  // namespace testkit
