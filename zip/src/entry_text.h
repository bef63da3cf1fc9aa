// Entry names and comments between their stored bytes and the build's text.
#pragma once

#include "win32/types.h"
#include "zip/zip_auto_buffer.h"
#include "zip/zip_string.h"

namespace zipentry {

// The bytes up to the first zero byte, in the code page (CP_OEMCP, CP_ACP
// or CP_UTF8). The narrow build converts OEM and UTF-8 bytes to ANSI (a
// character ANSI lacks becomes "?") and keeps ANSI bytes unchanged; the
// wide build decodes every page to UTF-16.
CZipString textFromBytes(const CZipAutoBuffer& bytes, UINT codePage);
CZipAutoBuffer bytesFromText(const CZipString& text, UINT codePage);
// True when the bytes up to the first zero byte are well-formed UTF-8.
bool isUtf8(const CZipAutoBuffer& bytes) noexcept;
bool sameBytes(const CZipAutoBuffer& a, const CZipAutoBuffer& b) noexcept;

}  // namespace zipentry
