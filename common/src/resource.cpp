// TResource: the signing component's message table, its error texts and
// plural forms.
#include "common/resource.h"

#include <cstdarg>
#include <memory>

namespace {

constexpr DWORD kErrorTextBase = 10000;
constexpr DWORD kMaxErrorNumber = 10000;

// The signing component's apartment thread alone creates, uses and releases
// the table, so the holder takes no lock.
std::unique_ptr<TResource> g_instance;

}  // namespace

TResource* TResource::Instance() {
    if (!g_instance) g_instance = std::make_unique<TResource>(SignerMessageTable());
    return g_instance.get();
}

void TResource::ReleaseInstance() { g_instance.reset(); }

TResource::TResource(std::span<const TResourceRow> rows)
    : TResourceTable(rows, {"CZ", "SK", "EN"}, kMaxFormatLength) {}

void TResource::FormatString(std::string& out, DWORD id, ...) const {
    va_list args;
    va_start(args, id);
    out = FormatCut(GetString(id), args);
    va_end(args);
}

void TResource::FormatMessage(std::string& out, int number, ...) const {
    out.clear();
    // Taken as unsigned, a negative number is above the limit.
    const auto unsignedNumber = static_cast<DWORD>(number);
    if (unsignedNumber > kMaxErrorNumber) return;
    const std::string text = GetString(unsignedNumber + kErrorTextBase);
    if (text.empty()) return;
    va_list args;
    va_start(args, number);
    out = FormatCut(text, args);
    va_end(args);
}

void TResource::FormatByKind(std::string& out, int count, DWORD idOne, DWORD idFew, DWORD idMany) const {
    const DWORD id = count == 1 ? idOne : (count >= 2 && count <= 4) ? idFew : idMany;
    FormatString(out, id, count);
}
