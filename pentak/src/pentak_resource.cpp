// TPentakResource: the enrolment library's table and its formatted texts.
#include "pentak_resource.h"

#include <cstdarg>
#include <memory>
#include <mutex>

namespace {

// Objects in several threads (each in its apartment) ask for the table at
// once; its rows never change once made, its language is atomic.
std::mutex g_instanceLock;
std::unique_ptr<TPentakResource> g_instance;

}  // namespace

TPentakResource* TPentakResource::Instance() {
    const std::lock_guard guard(g_instanceLock);
    if (!g_instance) g_instance = std::make_unique<TPentakResource>(PentakMessageTable());
    return g_instance.get();
}

void TPentakResource::ReleaseInstance() {
    const std::lock_guard guard(g_instanceLock);
    g_instance.reset();
}

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
