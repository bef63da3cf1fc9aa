// MIME types of documents stored as plain files, by extension. A row's
// extension matches the start of the name's extension without regard to
// case (so "docx" takes the "doc" row); the first matching row wins.
#include <strings.h>

#include <algorithm>

#include <cstring>
#include <string_view>

#include "kyd/file_kyd.h"

namespace {

struct ContentTypeRow {
    const char* extension;
    const char* type;
};

constexpr ContentTypeRow kContentTypes[] = {
    {"aif", "audio/x-aiff"}, {"aiff", "audio/x-aiff"}, {"aifc", "audio/x-aiff"}, {"au", "audio/basic"},
    {"snd", "audio/basic"}, {"avi", "video/x-msvideo"}, {"bas", "text/plain"}, {"bat", "text/plain"},
    {"bin", "application/octet-stream"}, {"bmp", "image/bmp"}, {"cer", "application/x-x509-ca-cert"},
    {"class", "application/java-class"}, {"cmd", "text/plain"}, {"com", "application/octet-stream"},
    {"css", "text/css"}, {"doc", "application/msword"}, {"eml", "message/rfc822"}, {"etx", "text/x-setext"},
    {"evy", "application/envoy"}, {"exe", "application/x-msdownload"}, {"gif", "image/gif"},
    {"gz", "application/x-gzip"}, {"htm", "text/html"}, {"html", "text/html"}, {"ief", "image/ief"},
    {"jar", "application/java-archive"}, {"jardiff", "application/x-java-archive-diff"},
    {"java", "text/x-java-source"}, {"jpg", "image/jpeg"}, {"jpeg", "image/jpeg"}, {"jpe", "image/jpeg"},
    {"jnlp", "application/x-java-jnlp-file"}, {"js", "application/x-javascript"}, {"mid", "audio/midi"},
    {"midi", "audio/midi"}, {"mov", "video/quicktime"}, {"qt", "video/quicktime"}, {"movie", "video/x-sgi-movie"},
    {"mp3", "audio/mpeg"}, {"mpg", "video/mpeg"}, {"mpeg", "video/mpeg"}, {"mpe", "video/mpeg"},
    {"oda", "application/oda"}, {"ogg", "application/x-ogg"}, {"pbm", "image/x-portable-bitmap"},
    {"pdf", "application/pdf"}, {"pgm", "image/x-portable-graymap"}, {"png", "image/png"},
    {"ppm", "image/x-portable-pixmap"}, {"ps", "application/postscript"}, {"eps", "application/postscript"},
    {"ai", "application/postscript"}, {"ra", "audio/x-pn-realaudio"}, {"rm", "audio/x-pn-realaudio"},
    {"ram", "audio/x-pn-realaudio"}, {"rgb", "image/x-rgb"}, {"rtf", "text/rtf"}, {"rtx", "text/richtext"},
    {"ser", "application/x-java-serialized-object"}, {"ssi", "text/x-server-parsed-html"},
    {"shtml", "text/x-server-parsed-html"}, {"swf", "application/x-shockwave-flash"}, {"tar", "application/x-tar"},
    {"tif", "image/tiff"}, {"tiff", "image/tiff"}, {"tsv", "text/tab-separated-values"}, {"txt", "text/plain"},
    {"text", "text/plain"}, {"asc", "text/plain"}, {"usr", "application/x-x509-user-cert"},
    {"vcf", "text/x-vcard"}, {"vew", "application/groupwise"}, {"wav", "audio/wav"},
    {"w61", "application/wordperfect6.1"}, {"wrl", "x-world/x-vrml"}, {"wp", "application/wordperfect"},
    {"wpd", "application/wordperfect"}, {"wp5", "application/wordperfect"}, {"w60", "application/wordperfect6.0"},
    {"xml", "text/xml"}, {"zip", "application/zip"},
};

void copyCut(const char* text, char* buffer, std::size_t bufferSize) {
    if (!buffer || bufferSize == 0) return;
    const std::size_t length = std::min(std::strlen(text), bufferSize - 1);
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
}

}  // namespace

bool ContentTypeFromExtension(const char* fileName, char* buffer, std::size_t bufferSize) {
    const std::string_view name = fileName ? fileName : "";
    const std::size_t dot = name.rfind('.');
    const std::string_view extension = dot == std::string_view::npos ? name : name.substr(dot + 1);
    for (const ContentTypeRow& row : kContentTypes) {
        const std::size_t length = std::strlen(row.extension);
        if (extension.size() >= length && ::strncasecmp(extension.data(), row.extension, length) == 0) {
            copyCut(row.type, buffer, bufferSize);
            return true;
        }
    }
    copyCut("application/octet-stream", buffer, bufferSize);
    return false;
}
