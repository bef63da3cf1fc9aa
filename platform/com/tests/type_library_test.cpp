// Type libraries as outside data: the compiler refuses a bad description
// with its line, and the loader refuses a damaged library cleanly.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/com/ptr.h"
#include "platform/text.h"
#include "testkit/platform_root.h"
#include "testkit/process.h"

namespace {

using platform::com::Ptr;

std::string readBytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

HRESULT load(const std::filesystem::path& file, Ptr<ITypeLib>& library) {
    return LoadTypeLib(platform::text::fromUtf8(file.string()).c_str(), library.put());
}

TEST(TypeLibrary, LoadsFromAModuleOrAFileAndRefusesEveryDamagedCopy) {
    testkit::PlatformRoot root;
    Ptr<ITypeLib> library;
    ASSERT_EQ(S_OK, load(TESK_COM_TEST_SERVER, library));
    EXPECT_EQ(3u, library->GetTypeInfoCount());
    EXPECT_EQ(TYPE_E_CANTLOADLIBRARY, load(std::string(TESK_COM_TEST_SERVER) + "\\2", library))
        << "the module carries no TYPELIB 2";
    EXPECT_EQ(TYPE_E_CANTLOADLIBRARY, load(TESK_COM_PLAIN_MODULE, library));
    EXPECT_EQ(TYPE_E_CANTLOADLIBRARY, load(root.path() / "missing.tlb", library));

    const std::string good = readBytes(TESK_COM_TEST_TYPELIB);
    ASSERT_GT(good.size(), 100u);
    ASSERT_EQ(S_OK, load(root.write("good.tlb", good), library));
    for (std::size_t size = 0; size < good.size(); ++size)
        ASSERT_EQ(TYPE_E_CANTLOADLIBRARY, load(root.write("cut.tlb", good.substr(0, size)), library)) << size;
    ASSERT_EQ(TYPE_E_CANTLOADLIBRARY, load(root.write("longer.tlb", good + '\0'), library));
    for (std::size_t at = 0; at < good.size(); ++at) {
        std::string damaged = good;
        damaged[at] = static_cast<char>(damaged[at] ^ 0xFF);
        const HRESULT hr = load(root.write("flipped.tlb", damaged), library);
        ASSERT_TRUE(hr == S_OK || hr == TYPE_E_CANTLOADLIBRARY) << at;
    }
    // A count of four billion types ends at the bytes that are there.
    std::string huge = good;
    const std::size_t typeCount = 8 + 16 + 2 + 2 + 4 + 4 + 2 * 13 + 4 + 2 * 28;
    huge.replace(typeCount, 4, "\xFF\xFF\xFF\x7F");
    EXPECT_EQ(TYPE_E_CANTLOADLIBRARY, load(root.write("huge.tlb", huge), library));
}

TEST(TypeLibraryCompiler, NamesTheLineAtFault) {
    testkit::PlatformRoot root;
    const auto compile = [&](const std::string& description) {
        const auto file = root.write("bad.tld", description);
        return testkit::run({TESK_TYPELIB_COMPILER, file.string(), (root.path() / "out.tlb").string(),
                             (root.path() / "out.h").string()});
    };
    const std::string library = "library L {5C2B6F10-7A41-4E55-9D3B-1F0C2A6E8B01} 1.0\n";
    const std::string interface = "interface I {5C2B6F11-7A41-4E55-9D3B-1F0C2A6E8B01}\n";
    EXPECT_EQ(0, compile(library + interface + "    method 1 M(in long a, out retval BSTR* b)\nend\n").exitCode);

    auto result = compile(library + interface + "    method 1 M(in Unknown a)\nend\n");
    EXPECT_EQ(1, result.exitCode);
    EXPECT_NE(std::string::npos, result.err.find("unknown type Unknown")) << result.err;
    result = compile(library + interface + "    method 1 M(out retval long* a, in long b)\nend\n");
    EXPECT_EQ(1, result.exitCode);
    EXPECT_NE(std::string::npos, result.err.find("[out, retval] must be the last")) << result.err;
    result = compile(library + interface + "    method 1 M()\n    method 1 N()\nend\n");
    EXPECT_NE(std::string::npos, result.err.find("two functions with one member id")) << result.err;
    result = compile(library + interface + "    method 1 M(in long a\nend\n");
    EXPECT_NE(std::string::npos, result.err.find("line 3: expected")) << result.err;
    result = compile(library + interface + "    method 1 M(out long a)\nend\n");
    EXPECT_NE(std::string::npos, result.err.find("an out argument must be a pointer")) << result.err;
}

}  // namespace
