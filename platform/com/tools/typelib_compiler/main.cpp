// The type-library compiler: a description in, the binary type library
// (for resource TYPELIB 1) and the C++ header out.
//   tesk_typelib_compiler <description> <library output> <header output>
#include <fstream>
#include <iostream>
#include <sstream>

#include "description.h"
#include "header_writer.h"

namespace {

bool writeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: " << argv[0] << " <description> <library output> <header output>\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << argv[1] << ": cannot be read\n";
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    try {
        const auto library = typelib_compiler::parseDescription(text.str());
        const auto blob = platform::com::typelib::encode(library);
        if (!writeFile(argv[2], std::string(blob.begin(), blob.end())) ||
            !writeFile(argv[3], typelib_compiler::writeHeader(library, argv[1]))) {
            std::cerr << "cannot write the outputs\n";
            return 1;
        }
    } catch (const platform::com::typelib::FormatError& e) {
        std::cerr << argv[1] << ": " << e.what() << "\n";
        return 1;
    }
    return 0;
}
