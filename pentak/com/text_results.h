// Members whose session step hands out a text: the step writes into a
// string of the member's own, and the caller's BSTR receives a copy only
// when the step succeeded, so that a failure leaves the caller's out
// argument as it was.
#pragma once

#include <string>

#include "automation_text.h"
#include "result_rules.h"

namespace pentak {

// run(std::u16string&) gives the member's HRESULT. E_POINTER for a null
// out, before anything runs.
template <class Run>
HRESULT givingText(BSTR* out, Run&& run) noexcept {
    if (!out) return E_POINTER;
    std::u16string text;
    const HRESULT hr = run(text);
    return FAILED(hr) ? hr : giveText(text, out);
}

// step(std::u16string&) answers with a result code (codeOf) or a truth
// value (flagOf).
template <class Step>
HRESULT codeGivingText(BSTR* out, Step&& step) noexcept {
    return givingText(out, [&](std::u16string& text) { return codeOf([&] { return step(text); }); });
}
template <class Step>
HRESULT flagGivingText(BSTR* out, Step&& step) noexcept {
    return givingText(out, [&](std::u16string& text) { return flagOf([&] { return step(text); }); });
}

}  // namespace pentak
