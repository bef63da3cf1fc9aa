#include "bundle_support.h"

#include <gtest/gtest.h>

#include <random>

#include "zip/zip_mem_file.h"

namespace ziptest {

Scratch::Scratch() : m_dir(m_root.path() / "work") { std::filesystem::create_directories(m_dir); }

std::filesystem::path Scratch::write(const std::string& relative, const std::string& content) const {
    const std::filesystem::path path = m_dir / relative;
    std::filesystem::create_directories(path.parent_path());
    testkit::writeFile(path, content);
    return path;
}

std::map<std::string, std::string> Scratch::files(const std::filesystem::path& folder) const {
    std::map<std::string, std::string> found;
    if (!std::filesystem::exists(folder)) return found;
    for (const auto& item : std::filesystem::recursive_directory_iterator(folder))
        if (item.is_regular_file())
            found[std::filesystem::relative(item.path(), folder).generic_string()] = testkit::readFile(item.path());
    return found;
}

std::string textData(std::size_t size, unsigned seed) {
    static const char* const words[] = {"podpis ", "archive ", "entry ", "certificate ", "policy ",
                                        "data\n", "signature ", "folder ", "time ", "zip "};
    std::mt19937 random(seed);
    std::string text;
    text.reserve(size + 16);
    while (text.size() < size) text += words[random() % 10];
    text.resize(size);
    return text;
}

std::string randomData(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string data(size, '\0');
    for (char& c : data) c = static_cast<char>(random());
    return data;
}

std::map<std::string, std::string> pythonContents(const std::filesystem::path& archive, const std::string& password) {
    // Files (not folders) and contents as hex lines: "name<TAB>hex".
    const std::string script = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    if sys.argv[2]:
        z.setpassword(sys.argv[2].encode())
    bad = z.testzip()
    if bad is not None:
        sys.exit('bad entry ' + bad)
    for info in z.infolist():
        if info.is_dir():
            continue
        print(info.filename + '\t' + z.read(info).hex())
)";
    const testkit::RunResult result = python(script, {archive.string(), password}, archive.parent_path());
    expectSuccess(result, "python zipfile on " + archive.string());
    std::map<std::string, std::string> contents;
    std::size_t start = 0;
    while (start < result.out.size()) {
        const std::size_t end = result.out.find('\n', start);
        const std::string line = result.out.substr(start, end - start);
        start = end == std::string::npos ? result.out.size() : end + 1;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        std::string bytes;
        for (std::size_t i = tab + 1; i + 1 < line.size(); i += 2)
            bytes += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
        contents[line.substr(0, tab)] = bytes;
    }
    return contents;
}

void expectPeerAccepts(const std::vector<std::string>& argv, const std::filesystem::path& cwd) {
    expectSuccess(testkit::run(argv, cwd), argv.front() + " " + (argv.size() > 1 ? argv[1] : ""));
}

std::string memoryBytes(CZipMemFile& file) {
    std::string bytes(static_cast<std::size_t>(file.GetLength()), '\0');
    const ZIP_FILE_USIZE position = file.GetPosition();
    file.SeekToBegin();
    if (!bytes.empty()) file.Read(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    file.SeekUnsigned(position);
    return bytes;
}

int extractFails(CZipBundle& zip, ZIP_INDEX_TYPE index, std::string* data) {
    CZipMemFile memory;
    const int code = zipErrorOf([&] {
        if (!zip.ExtractFile(index, memory)) throw CZipException(-1);
    });
    if (data) *data = memoryBytes(memory);
    return code;
}

std::map<std::string, std::string> ourContents(const std::filesystem::path& archive, const std::string& password) {
    CZipBundle zip;
    zip.Open(zipPath(archive), CZipBundle::zipOpenReadOnly);
    if (!password.empty()) zip.SetPassword(zipText(password).c_str());
    std::map<std::string, std::string> contents;
    for (ZIP_INDEX_TYPE i = 0; i < zip.GetCount(); ++i) {
        if (zip.GetFileInfo(i)->IsDirectory()) continue;
        std::string data;
        EXPECT_EQ(0, extractFails(zip, i, &data)) << "entry " << i;
        contents[utf8(zip.GetFileInfo(i)->GetFileName(false))] = data;
    }
    zip.Close();
    return contents;
}

}  // namespace ziptest
