// Entry names and comments between their stored bytes and the build's text.
#pragma once

#include "win32/types.h"
#include "zip/zip_auto_buffer.h"
#include "zip/zip_string.h"

namespace zipentry {

// The bytes up to the first zero byte, in the code page (CP_OEMCP, CP_ACP
// or CP_UTF8). The narrow build converts OEM bytes to ANSI and keeps the
// others unchanged; the wide build decodes every page to UTF-16.
CZipString textFromBytes(const CZipAutoBuffer& bytes, UINT codePage);
CZipAutoBuffer bytesFromText(const CZipString& text, UINT codePage);
// UTF-8 (an Info-ZIP Unicode path record) to the build's text.
CZipString textFromUtf8(const CZipAutoBuffer& bytes);

}  // namespace zipentry
