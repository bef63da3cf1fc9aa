// MS-DOS and OS/2 keep their bits, Macintosh keeps read-only and directory,
// Unix maps the owner's permissions and the file type.
#include "zip_attributes.h"

#include "zip/zip_exception.h"
#include "zip/zip_file_header.h"

namespace zipattr {

namespace {

constexpr std::uint32_t kReadOnly = 0x01;
constexpr std::uint32_t kHidden = 0x02;
constexpr std::uint32_t kUnixDirectory = 0040000;
constexpr std::uint32_t kUnixRegular = 0100000;

std::uint32_t fromUnixMode(std::uint32_t mode) {
    std::uint32_t attributes = (mode & kUnixDirectory) ? kDirectory : 0;
    const std::uint32_t owner = (mode >> 6) & 07;
    if (!(owner & 01) && !(attributes & kDirectory)) attributes |= kArchive;
    if (!(owner & 02)) attributes |= kReadOnly;
    if (!(owner & 04)) attributes |= kHidden;
    return attributes;
}

}  // namespace

std::uint32_t unixModeOf(std::uint32_t attributes) {
    std::uint32_t mode = (attributes & kHidden) ? 0 : 0444;
    if (!(attributes & kReadOnly)) mode |= 0220;
    mode |= (attributes & kDirectory) ? (kUnixDirectory | 0111) : kUnixRegular;
    return mode;
}

std::uint32_t convert(int system, std::uint32_t value, bool fromSystem) {
    switch (system) {
    case CZipFileHeader::hostDos:
    case CZipFileHeader::hostOs2: return value;
    case CZipFileHeader::hostUnix: return fromSystem ? fromUnixMode(value) : unixModeOf(value);
    case CZipFileHeader::hostMac: return value & (kReadOnly | kDirectory);
    default: CZipException::Throw(CZipException::noAttributeConversion);
    }
}

}  // namespace zipattr
