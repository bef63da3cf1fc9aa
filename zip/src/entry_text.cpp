// Code-page conversion of entry names and comments; the one place where the
// two builds' character types are handled apart.
#include "entry_text.h"

#include <cstring>
#include <string_view>

#include "platform/text.h"
#include "zip/zip_platform.h"

namespace zipentry {

namespace {

std::string_view untilZero(const CZipAutoBuffer& bytes) {
    const char* data = bytes.GetBuffer();
    const std::size_t size = bytes.GetSize();
    const void* zero = size ? std::memchr(data, 0, size) : nullptr;
    return {data, zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - data) : size};
}

CZipAutoBuffer bufferOf(std::string_view bytes) {
    CZipAutoBuffer buffer(static_cast<std::uint32_t>(bytes.size()));
    if (!bytes.empty()) std::memcpy(buffer.GetBuffer(), bytes.data(), bytes.size());
    return buffer;
}

}  // namespace

#ifdef TESK_ZIP_WIDE

CZipString textFromBytes(const CZipAutoBuffer& bytes, UINT codePage) {
    return CZipString(platform::text::toWide(untilZero(bytes), codePage));
}

CZipAutoBuffer bytesFromText(const CZipString& text, UINT codePage) {
    return bufferOf(platform::text::toNarrow(text, codePage));
}

#else

CZipString textFromBytes(const CZipAutoBuffer& bytes, UINT codePage) {
    if (codePage == CP_UTF8) return CZipString(platform::text::utf8ToAnsi(untilZero(bytes)));
    CZipAutoBuffer text = bufferOf(untilZero(bytes));
    if (codePage == CP_OEMCP) ZipSystem::ConvertCodePage(text, false);
    return CZipString(std::string_view(text.GetBuffer() ? text.GetBuffer() : "", text.GetSize()));
}

CZipAutoBuffer bytesFromText(const CZipString& text, UINT codePage) {
    if (codePage == CP_UTF8) return bufferOf(platform::text::ansiToUtf8(text));
    CZipAutoBuffer bytes = bufferOf(text);
    if (codePage == CP_OEMCP) ZipSystem::ConvertCodePage(bytes, true);
    return bytes;
}

#endif

bool isUtf8(const CZipAutoBuffer& bytes) noexcept { return platform::text::isValidUtf8(untilZero(bytes)); }

bool sameBytes(const CZipAutoBuffer& a, const CZipAutoBuffer& b) noexcept {
    return a.GetSize() == b.GetSize() && (a.GetSize() == 0 || std::memcmp(a.GetBuffer(), b.GetBuffer(), a.GetSize()) == 0);
}

}  // namespace zipentry
