// The two builds of the library. Without TESK_ZIP_WIDE: narrow text in the
// ANSI code page and every operation (tesk_zip, for the signing component).
// With it: UTF-16 text and the reading road only (tesk_zip_read_wide, for the
// upgrade client); the writing members are declared but not built there, so
// a reader that calls one fails at link time.
#pragma once

#include <cstdint>

#ifdef TESK_ZIP_WIDE
using ZIPCHAR = char16_t;
#define ZIPTEXT(s) u##s
inline constexpr bool kZipWrites = false;
#else
using ZIPCHAR = char;
#define ZIPTEXT(s) s
inline constexpr bool kZipWrites = true;
#endif

// Sizes and positions inside an archive and its files are 64-bit.
using ZIP_SIZE_TYPE = std::uint64_t;
using ZIP_FILE_USIZE = std::uint64_t;
using ZIP_FILE_SIZE = std::int64_t;
// Entry indexes are 64-bit unsigned; all ones means "no entry".
using ZIP_INDEX_TYPE = std::uint64_t;
inline constexpr ZIP_INDEX_TYPE ZIP_FILE_INDEX_NOT_FOUND = ~ZIP_INDEX_TYPE{0};
using ZIP_VOLUME_TYPE = std::uint32_t;
inline constexpr ZIP_VOLUME_TYPE ZIP_VOLUME_NUMBER_UNSPECIFIED = 0xFFFFFFFFu;
