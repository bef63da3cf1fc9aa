// Texts handed to and taken from the COM objects the program drives
// (the enrolment object and the signer).
#pragma once

#include <memory>
#include <string>

#include "win32/oleauto.h"

namespace halvex {

struct FreeBstr {
    void operator()(OLECHAR* text) const noexcept { SysFreeString(text); }
};
using Bstr = std::unique_ptr<OLECHAR, FreeBstr>;

// A BSTR of the whole text; throws std::bad_alloc when none can be made.
Bstr MakeBstr(const std::u16string& text);
// The text of a BSTR a call handed over, which is freed; empty for null.
std::u16string TakeBstr(BSTR text);
// The description of the thread's error object (taken from the thread),
// empty without one.
std::u16string ThreadErrorDescription();

}  // namespace halvex
