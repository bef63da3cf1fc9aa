#include "kyd_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "platform/clock.h"
#include "platform/paths.h"
#include "testkit/process.h"
#include "win32/datetime.h"

namespace fs = std::filesystem;

namespace kydtest {

Scratch::Scratch() : m_dir(m_root.path() / "work") { fs::create_directories(m_dir); }

fs::path Scratch::write(const std::string& relative, const Bytes& content) const {
    const fs::path target = m_dir / relative;
    fs::create_directories(target.parent_path());
    testkit::writeFile(target, std::string(content.begin(), content.end()));
    return target;
}

std::vector<std::string> Scratch::allFiles() const {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(m_root.path()))
        if (!entry.is_directory()) found.push_back(fs::relative(entry.path(), m_root.path()).string());
    return found;
}

FixedUtc::FixedUtc(int year, int month, int day, int hour, int minute, int second) {
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(year);
    time.wMonth = static_cast<WORD>(month);
    time.wDay = static_cast<WORD>(day);
    time.wHour = static_cast<WORD>(hour);
    time.wMinute = static_cast<WORD>(minute);
    time.wSecond = static_cast<WORD>(second);
    FILETIME fileTime{};
    EXPECT_TRUE(SystemTimeToFileTime(&time, &fileTime));
    platform::clock::setForTests((ULONGLONG{fileTime.dwHighDateTime} << 32) | fileTime.dwLowDateTime);
}

FixedUtc::~FixedUtc() { platform::clock::setForTests(std::nullopt); }

Bytes textBytes(std::size_t size, unsigned seed) {
    static const std::string words[] = {"signature ", "policy ", "document ", "container ", "time ", "stamp\r\n"};
    std::mt19937 random(seed);
    Bytes out;
    while (out.size() < size) {
        const std::string& word = words[random() % std::size(words)];
        out.insert(out.end(), word.begin(), word.end());
    }
    out.resize(size);
    return out;
}

Bytes randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    Bytes out(size);
    for (BYTE& b : out) b = static_cast<BYTE>(random());
    return out;
}

Bytes fileBytes(const fs::path& file) {
    const std::string text = testkit::readFile(file);
    return Bytes(text.begin(), text.end());
}

std::string ansi(const fs::path& path) { return platform::paths::toAnsi(path); }

namespace {

const std::string kPeerScript = std::string(KYD_TEST_DIR) + "/kyd_peer.py";

testkit::RunResult runPeerScript(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"python3", kPeerScript});
    testkit::RunResult result = testkit::run(arguments);
    EXPECT_EQ(0, result.exitCode) << result.err;
    return result;
}

}  // namespace

void pythonWrite(const fs::path& archive, const std::vector<std::pair<std::string, Bytes>>& entries,
                 const Scratch& scratch, const std::string& damage) {
    std::vector<std::string> arguments{"write", archive.string()};
    if (!damage.empty()) arguments.push_back("0:" + damage);
    int n = 0;
    for (const auto& [name, content] : entries)
        arguments.push_back(name + "=" + scratch.write("peer-input/" + std::to_string(n++), content).string());
    runPeerScript(arguments);
}

std::vector<std::string> pythonList(const fs::path& archive) {
    std::istringstream lines(runPeerScript({"list", archive.string()}).out);
    std::vector<std::string> out;
    for (std::string line; std::getline(lines, line);) out.push_back(line);
    return out;
}

void expectPeerAccepts(const std::vector<std::string>& argv) {
    TESTKIT_REQUIRE_PROGRAM(argv.front());
    const testkit::RunResult result = testkit::run(argv);
    EXPECT_EQ(0, result.exitCode) << argv.front() << ":\n" << result.out << result.err;
}

}  // namespace kydtest
