#include "mime_support.h"

#include <gtest/gtest.h>

#include <vector>

#include "testkit/process.h"

namespace mime_test {

std::string Stored(const CMimeBody& body) {
    const int length = body.GetLength();
    EXPECT_GT(length, 0);
    if (length <= 0) return {};
    std::vector<char> buffer(static_cast<size_t>(length));
    EXPECT_EQ(length, body.Store(buffer.data(), length));
    EXPECT_EQ(0, body.Store(buffer.data(), length - 1)) << "a buffer one byte short holds nothing";
    return std::string(buffer.begin(), buffer.end());
}

int LoadText(CMimeBody& body, const std::string& text) {
    return body.Load(text.data(), static_cast<int>(text.size()));
}

std::string Python(const std::string& script, const std::string& input) {
    testkit::RunOptions options;
    options.input = input;
    const testkit::RunResult result = testkit::run({"python3", "-c", script}, options);
    EXPECT_EQ(0, result.exitCode) << result.err;
    return result.out;
}

std::string Hex(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const char c : bytes) {
        hex += kDigits[static_cast<unsigned char>(c) >> 4];
        hex += kDigits[static_cast<unsigned char>(c) & 15];
    }
    return hex;
}

}  // namespace mime_test
