// The last error reply of the update server: "code : message", empty when
// none came since it was cleared. One per process.
#pragma once

#include <string>

namespace lumvar {

const std::u16string& LastServerError();
void SetLastServerError(std::u16string text);
void ClearLastServerError();

}  // namespace lumvar
