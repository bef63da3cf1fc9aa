#include <algorithm>
#include <cctype>
#include <string_view>

#include "lumvar/log_writer.h"
#include "lumvar/relative_path.h"
#include "lumvar/result_codes.h"
#include "platform/text.h"
#include "protocol_location.h"
#include "protocol_replies.h"

namespace lumvar {

namespace {

// The numbers of a version text, each followed by one separator of any kind.
std::vector<std::uint32_t> versionNumbers(const std::string& text) {
    std::vector<std::uint32_t> out;
    std::size_t at = 0;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
        std::uint64_t value = 0;
        for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at)
            value = std::min<std::uint64_t>(value * 10 + static_cast<unsigned>(text[at] - '0'), UINT32_MAX);
        out.push_back(static_cast<std::uint32_t>(value));
        ++at;  // the separator
    }
    return out;
}

// A decimal file size that fits 32 bits, nothing else.
bool readSize(const std::string& text, std::uint32_t& size) {
    if (text.empty() || text.size() > 10) return false;
    std::uint64_t value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > UINT32_MAX) return false;
    size = static_cast<std::uint32_t>(value);
    return true;
}

// Location, DontTouch, Path of a Dir or File element. noun names it in the
// messages ("adresáře"/"soubor"...).
struct CommonFields {
    std::int32_t location = ProgramFolder;
    std::int32_t state = StateNew;
    std::u16string path;
};

struct Nouns {
    const char16_t* outside;  // "složku" / "soubor"
    const char16_t* managed;  // "adresáře" / "souboru"
};

int readCommon(const ServerReply& reply, xmlNodePtr node, int index, const Nouns& nouns, CommonFields& out) {
    const xmlNodePtr location = reply.first("./Location", node);
    out.location = LocationCode(location ? NodeText(location) : "program_folder");
    const xmlNodePtr dontTouch = reply.first("./DontTouch", node);
    const bool keep = (dontTouch ? NodeText(dontTouch) : "no") == "yes";
    if (keep && out.location != ProgramFolder) {
        log::write(log::Level::Error, u"GetFileList: Příznak DontTouch nastaven pro %ls mimo program_folder.",
                   nouns.outside);
        return kBadReply;
    }
    out.state = keep ? StateDontTouch : StateNew;
    const xmlNodePtr path = reply.first("./Path", node);
    if (!path) {
        log::write(log::Level::Error, u"GetFileList: Chybí cesta spravovaného %ls %d.", nouns.managed, index);
        return kBadReply;
    }
    const std::string wire = NodeText(path);
    if (!platform::text::isValidUtf8(wire)) {
        log::write(log::Level::Error, u"Nezdařil se převod textu z UTF-8 do wchar.");
        return kTextConversion;
    }
    out.path = platform::text::fromUtf8(wire);
    if (!staysInside(wire)) {
        log::write(log::Level::Error, u"GetFileList: Cesta spravovaného %ls \"%ls\" vede mimo svou složku.",
                   nouns.managed, out.path.c_str());
        return kBadReply;
    }
    std::replace(out.path.begin(), out.path.end(), u'/', u'\\');
    return kOk;
}

int readDirs(const ServerReply& reply, UpdateList& list) {
    if (reply.nodes("//DirList").size() != 1) return kOk;
    const std::vector<xmlNodePtr> dirs = reply.nodes("//DirList/Dir");
    for (std::size_t i = 0; i < dirs.size(); ++i) {
        CommonFields fields;
        if (const int rc = readCommon(reply, dirs[i], static_cast<int>(i), {u"složku", u"adresáře"}, fields)) return rc;
        list.dirs.push_back({fields.location, fields.path, fields.state});
        log::write(log::Level::Debug, u"GetFileList: Adresář \"%ls\" přidán do filelistu.", fields.path.c_str());
    }
    return kOk;
}

int readFile(const ServerReply& reply, xmlNodePtr node, int index, UpdateList& list) {
    CommonFields fields;
    if (const int rc = readCommon(reply, node, index, {u"soubor", u"souboru"}, fields)) return rc;
    const char16_t* path = fields.path.c_str();
    const xmlNodePtr hash = reply.first("./Hash", node);
    if (!hash) {
        log::write(log::Level::Error, u"GetFileList: Chybí hash spravovaného souboru \"%ls\".", path);
        return kBadReply;
    }
    FileRecord record;
    if (const int rc = record.digest.loadFromString(NodeText(hash))) {
        log::write(log::Level::Error, u"Nepodařilo se načíst hash spravovaného souboru \"%ls\".", path);
        return rc;
    }
    const xmlNodePtr size = reply.first("./FileSize", node);
    if (!size) {
        log::write(log::Level::Error, u"GetFileList: Chybí velikost spravovaného souboru \"%ls\".", path);
        return kBadReply;
    }
    if (!readSize(NodeText(size), record.size)) {
        log::write(log::Level::Error, u"GetFileList: Neplatná velikost spravovaného souboru \"%ls\".", path);
        return kBadReply;
    }
    record.location = fields.location;
    record.state = fields.state;
    record.path = fields.path;
    list.files.push_back(std::move(record));
    log::write(log::Level::Debug, u"GetFileList: Soubor \"%ls\" přidán do filelistu.", path);
    return kOk;
}

int readFiles(const ServerReply& reply, UpdateList& list) {
    if (reply.nodes("//FileList").size() != 1) return kOk;
    const std::vector<xmlNodePtr> files = reply.nodes("//FileList/File");
    if (files.empty()) {
        log::write(log::Level::Error, u"GetFileList: Odpověď neobsahuje žádné soubory.");
        return kBadReply;
    }
    for (std::size_t i = 0; i < files.size(); ++i)
        if (const int rc = readFile(reply, files[i], static_cast<int>(i), list)) return rc;
    return kOk;
}

}  // namespace

int ReadFileListReply(const ServerReply& reply, UpdateList& list, std::vector<std::uint32_t>& version) {
    const xmlNodePtr versionNode = reply.first("//Version");
    if (!versionNode) {
        log::write(log::Level::Error, u"GetFileList: Odpověď neobsahuje element Version.");
        return kBadReply;
    }
    version = versionNumbers(NodeText(versionNode));
    if (const int rc = readDirs(reply, list)) return rc;
    return readFiles(reply, list);
}

}  // namespace lumvar
