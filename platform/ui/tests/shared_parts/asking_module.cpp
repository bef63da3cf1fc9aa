// A module with its own copy of the layer that asks the user a question
// and a card's PIN, as an enrolment library does while the program waits.
#include <cstring>

#include "platform/ui.h"
#include "win32/ui.h"

// The box's result; the PIN (empty when cancelled) into pin.
extern "C" __attribute__((visibility("default"))) int asking_box_and_pin(char* pin, int size) {
    const int pressed = MessageBoxW(nullptr, u"Vytvořit nový klíč?", u"Modul", MB_YESNO);
    const auto entered = platform::ui::backend().askPin({"Tesk Card CSP", "Virtual Reader 0"});
    const std::string text = entered.value_or("");
    if (static_cast<int>(text.size()) < size) std::memcpy(pin, text.c_str(), text.size() + 1);
    return pressed;
}
