// The enrolment library's message table: the UTF-16 texts of its boxes and
// dialogs in Czech, Slovak and English, with languages "CS", "SK" and "EN"
// (any case when set by code).
#pragma once

#include <cstdarg>
#include <cstddef>
#include <span>
#include <string>

#include "common/resource_table.h"

class TPentakResource : public TResourceTable<char16_t, int> {
public:
    // Formatted texts are cut at this many characters.
    static constexpr std::size_t kMaxFormatLength = 2048;

    // The process-wide table over PentakMessageTable(), created on the first
    // call with language 0 (Czech).
    static TPentakResource* Instance();
    // Destroys it; the next Instance starts again in Czech.
    static void ReleaseInstance();

    explicit TPentakResource(std::span<const Row> rows);

    // The text of id in the current language as a printf format with the
    // arguments (%s takes UTF-16 text), cut at kMaxFormatLength. An unknown
    // id gives an empty result.
    std::u16string FormatText(int id, ...) const;
    std::u16string FormatTextV(int id, va_list args) const;
};

// The rows of TPentakResource::Instance.
std::span<const TPentakResource::Row> PentakMessageTable();
