// tesk_resource_compiler OUTPUT.S [--binary TYPE NAME LANGUAGE FILE]...
//                                 [--strings LANGUAGE FILE]...
//                                 [--version VERSION LANGUAGE app|dll]
//                                 [--description TEXT]
// Checks the resources of one module and writes the assembler source that
// carries them; cmake/TeskResources.cmake runs it. Mistakes are reported
// with the file and line at fault, and no output is written.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "assembly.h"
#include "resource_list.h"
#include "string_file.h"
#include "version_block.h"

namespace rc = resource_compiler;
namespace fs = std::filesystem;

namespace {

rc::Resource binaryResource(std::span<char*> args) {
    const fs::path file = args[3];
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) throw rc::InputError(file.string() + ": no such file");
    if (fs::file_size(file, ec) > 0xFFFFFFFFu) throw rc::InputError(file.string() + ": larger than 4 GiB");
    return {rc::parseType(args[0]), rc::parseName(args[1]), rc::parseLanguage(args[2]), fs::absolute(file), {}};
}

std::vector<rc::Resource> resourcesOf(std::span<char*> args) {
    std::vector<rc::Resource> resources;
    std::map<std::uint16_t, rc::StringTable> strings;
    std::vector<std::string> version;  // VERSION LANGUAGE KIND
    std::string description;
    while (!args.empty()) {
        const std::string option = args[0];
        if (option == "--binary" && args.size() >= 5) {
            rc::addUnique(resources, binaryResource(args.subspan(1, 4)));
            args = args.subspan(5);
        } else if (option == "--strings" && args.size() >= 3) {
            const fs::path file = args[2];
            rc::mergeStrings(strings[rc::parseLanguage(args[1])], rc::readStringFile(file), file);
            args = args.subspan(3);
        } else if (option == "--version" && args.size() >= 4 && version.empty()) {
            version.assign(args.begin() + 1, args.begin() + 4);
            args = args.subspan(4);
        } else if (option == "--description" && args.size() >= 2) {
            description = args[1];
            args = args.subspan(2);
        } else {
            throw rc::InputError("unexpected argument \"" + option + "\" (see tesk_add_resources)");
        }
    }
    if (!version.empty())
        rc::addUnique(resources, rc::versionResource(version[0], rc::parseLanguage(version[1]), version[2], description));
    else if (!description.empty())
        throw rc::InputError("DESCRIPTION needs a VERSION");
    for (const auto& [language, table] : strings)
        for (auto& block : rc::stringBlocks(table, language)) rc::addUnique(resources, std::move(block));
    return resources;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: tesk_resource_compiler OUTPUT.S [--binary TYPE NAME LANGUAGE FILE]... "
                     "[--strings LANGUAGE FILE]... [--version VERSION LANGUAGE app|dll] "
                     "[--description TEXT]\n";
        return 2;
    }
    try {
        const auto resources = resourcesOf(std::span<char*>(argv + 2, static_cast<std::size_t>(argc - 2)));
        const fs::path output = argv[1];
        std::ofstream out(output, std::ios::trunc);
        rc::writeAssembly(out, resources);
        if (!out.flush()) throw rc::InputError(output.string() + ": cannot be written");
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "tesk_resource_compiler: " << e.what() << "\n";
        std::error_code ec;
        fs::remove(argv[1], ec);
        return 1;
    }
}
