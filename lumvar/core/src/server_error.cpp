#include "lumvar/server_error.h"

#include <utility>

namespace lumvar {

namespace {

std::u16string& stored() {
    static std::u16string text;
    return text;
}

}  // namespace

const std::u16string& LastServerError() { return stored(); }
void SetLastServerError(std::u16string text) { stored() = std::move(text); }
void ClearLastServerError() { stored().clear(); }

}  // namespace lumvar
