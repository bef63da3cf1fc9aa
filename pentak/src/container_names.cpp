// container_names.cpp: reader prefixes of card container names.
#include "container_names.h"

namespace {

constexpr std::u16string_view kReaderPrefix = u"\\\\.\\";

bool hasReaderPrefix(const std::u16string& name) { return name.starts_with(kReaderPrefix); }

}  // namespace

void SplitContainerName(const std::u16string& fullName, std::u16string& reader, std::u16string& container) {
    const std::size_t readerEnd =
        hasReaderPrefix(fullName) ? fullName.find(u'\\', kReaderPrefix.size()) : std::u16string::npos;
    if (readerEnd == std::u16string::npos) {
        reader = hasReaderPrefix(fullName) ? fullName : std::u16string();
        container = hasReaderPrefix(fullName) ? std::u16string() : fullName;
        return;
    }
    reader = fullName.substr(0, readerEnd + 1);
    container = fullName.substr(readerEnd + 1);
}

std::u16string JoinContainerName(const std::u16string& reader, const std::u16string& container) {
    if (reader.empty()) return container;
    std::u16string full = hasReaderPrefix(reader) ? reader : std::u16string(kReaderPrefix) + reader;
    if (!full.ends_with(u'\\')) full += u'\\';
    return full + container;
}
