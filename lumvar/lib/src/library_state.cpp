#include "library_state.h"

namespace lumvar::library {

LibraryState& state() {
    static LibraryState s;
    return s;
}

std::int32_t fail(std::int32_t code, const char16_t* message) {
    log::write(log::Level::Error, u"%ls", message);
    return code;
}

std::int32_t requireConfiguration(const char16_t* function) {
    if (state().config.isLoaded()) return kOk;
    log::write(log::Level::Error, u"%ls: Není načtena platná konfigurace.", function);
    return kNotConfigured;
}

ReplyProgress progressFor(int event, const std::u16string* text) {
    return [event, text](std::uint32_t announced, std::uint32_t received) {
        if (LUMVAR_Callback callback = state().callback)
            callback(event, static_cast<int>(announced), static_cast<int>(received), text ? text->c_str() : u"");
    };
}

}  // namespace lumvar::library
