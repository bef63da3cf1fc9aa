// TPentakResource: the enrolment library's table and its formatted texts.
#include "pentak_resource.h"

#include <cstdarg>
#include <memory>

namespace {

// Used from the thread of the caller only (the COM object's apartment, or
// the one thread of the exported functions), so the holder takes no lock.
std::unique_ptr<TPentakResource> g_instance;

}  // namespace

TPentakResource* TPentakResource::Instance() {
    if (!g_instance) g_instance = std::make_unique<TPentakResource>(PentakMessageTable());
    return g_instance.get();
}

void TPentakResource::ReleaseInstance() { g_instance.reset(); }

TPentakResource::TPentakResource(std::span<const Row> rows)
    : TResourceTable(rows, {"CS", "SK", "EN"}, kMaxFormatLength) {}

std::u16string TPentakResource::FormatText(int id, ...) const {
    va_list args;
    va_start(args, id);
    std::u16string out = FormatTextV(id, args);
    va_end(args);
    return out;
}

std::u16string TPentakResource::FormatTextV(int id, va_list args) const { return FormatCut(GetString(id), args); }
