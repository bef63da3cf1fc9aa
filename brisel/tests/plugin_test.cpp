#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <kyd_plugin/kyd_plugin.h>

#include "call_arg.h"
#include "testkit/platform_root.h"
#include "testkit/scoped_env.h"

namespace {

using kyd_plugin::ByteVector;

ByteVector bytes(std::initializer_list<unsigned char> list) {
    return ByteVector(list);
}

// The plug-in loaded as the signer loads it.
class BriselPlugin : public ::testing::Test {
protected:
    void SetUp() override {
        m_module = dlopen(TESK_BRISEL_MODULE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(m_module, nullptr) << dlerror();
        init = reinterpret_cast<kyd_plugin::InitFunction>(dlsym(m_module, kyd_plugin::kInitName));
        call = reinterpret_cast<kyd_plugin::CallFunction>(dlsym(m_module, kyd_plugin::kCallName));
        exit = reinterpret_cast<kyd_plugin::ExitFunction>(dlsym(m_module, kyd_plugin::kExitName));
        ASSERT_TRUE(init && call && exit);
    }
    void TearDown() override {
        if (m_module) {
            if (exit) {
                EXPECT_EQ(exit(0, 0), 1);
            }
            dlclose(m_module);
        }
    }

    bool initialise() {
        kyd_plugin::HostInfo host{};
        host.interfaceVersion = kyd_plugin::kHostInterfaceVersion;
        kyd_plugin::PluginInfo info{};
        return init(&host, &info) == 1;
    }
    int setCodePage(std::uint32_t codePage) {
        return call(kyd_plugin::kCodePage, arg(&codePage), 0, 0);
    }
    int setLanguage(std::uint32_t language) {
        return call(kyd_plugin::kLanguage, arg(&language), 0, 0);
    }
    int transform(const ByteVector& document, const char* type, const ByteVector** output) {
        return call(kyd_plugin::kTransform, arg(&document), arg(type), arg(output));
    }

    kyd_plugin::InitFunction init = nullptr;
    kyd_plugin::CallFunction call = nullptr;
    kyd_plugin::ExitFunction exit = nullptr;

private:
    void* m_module = nullptr;
};

template <class T>
T readAt(const unsigned char* record, std::size_t offset) {
    T value;
    std::memcpy(&value, record + offset, sizeof value);
    return value;
}

std::string textAt(const unsigned char* record, std::size_t offset, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(record + offset);
    const std::size_t length = strnlen(text, size);
    EXPECT_LT(length, size) << "text at " << offset << " is not terminated in its field";
    return std::string(text, length);
}

TEST_F(BriselPlugin, DescribesItselfAtTheRecordOffsets) {
    kyd_plugin::HostInfo host{};
    alignas(kyd_plugin::PluginInfo) unsigned char record[sizeof(kyd_plugin::PluginInfo)];
    std::memset(record, 0xA5, sizeof record);
    auto* info = reinterpret_cast<kyd_plugin::PluginInfo*>(record);
    EXPECT_EQ(init(nullptr, info), 0);
    EXPECT_EQ(init(&host, nullptr), 0);
    EXPECT_EQ(record[0], 0xA5) << "a refused call wrote the record";

    std::memset(record, 0, sizeof record);
    ASSERT_EQ(init(&host, info), 1);
    EXPECT_EQ(readAt<std::uint32_t>(record, 0), 1u);
    EXPECT_EQ(readAt<std::uint32_t>(record, 4), 1u);
    EXPECT_EQ(textAt(record, 8, 64), "Mirelo Txt Plugin");
    EXPECT_EQ(textAt(record, 72, 64), "Orvanta, a.s.");
    EXPECT_EQ(readAt<std::uint32_t>(record, 144), 1u);
    const auto* table = readAt<const unsigned char*>(record, 136);
    ASSERT_NE(table, nullptr);
    const unsigned char* embedded = record + 148;
    for (const unsigned char* entry : {table, embedded}) {
        EXPECT_EQ(textAt(entry, 0, 64), "text/plain");
        EXPECT_EQ(textAt(entry, 64, 16), "txt");
        EXPECT_EQ(readAt<std::uint32_t>(entry, 80), 1u);
    }
}

TEST_F(BriselPlugin, TransformsEachCodePageToUtf8) {
    const ByteVector* output = nullptr;
    EXPECT_EQ(transform(bytes({0x41}), "text/plain", &output), 0) << "before initialisation";
    ASSERT_TRUE(initialise());

    EXPECT_EQ(transform(bytes({0x41}), "text/plain", &output), 1);
    ASSERT_NE(output, nullptr);
    EXPECT_EQ(*output, bytes({0x41})) << "no conversion copies the bytes";
    for (std::uint32_t codePage : {1u, 2u, 3u}) {
        EXPECT_EQ(setCodePage(codePage), 1);
        output = nullptr;
        EXPECT_EQ(transform(bytes({0x41}), "TEXT/Plain", &output), 1);
        ASSERT_NE(output, nullptr);
        EXPECT_EQ(*output, bytes({0xEF, 0xBB, 0xBF, 0x41})) << "code page " << codePage;
    }

    // An undefined Windows-1250 byte is dropped, the rest delivered, and
    // the failure told.
    EXPECT_EQ(setCodePage(2), 1);
    output = nullptr;
    EXPECT_EQ(transform(bytes({0x41, 0x8A, 0x81}), "text/plain", &output), 0);
    ASSERT_NE(output, nullptr);
    EXPECT_EQ(*output, bytes({0xEF, 0xBB, 0xBF, 0x41, 0xC5, 0xA0}));

    // A value that names no code page fails every later transformation.
    EXPECT_EQ(setCodePage(7), 1);
    EXPECT_EQ(transform(bytes({0x41}), "text/plain", &output), 0);
    EXPECT_TRUE(output->empty());
    // A new initialisation starts without conversion.
    ASSERT_TRUE(initialise());
    EXPECT_EQ(transform(bytes({0x8A}), "text/plain", &output), 1);
    EXPECT_EQ(*output, bytes({0x8A}));
}

TEST_F(BriselPlugin, RefusedTransformationsKeepThePreviousOutput) {
    ASSERT_TRUE(initialise());
    const ByteVector* output = nullptr;
    ASSERT_EQ(transform(bytes({'o', 'k'}), "text/plain", &output), 1);
    const ByteVector* kept = output;

    const ByteVector other = bytes({'n', 'o'});
    EXPECT_EQ(transform(other, "text/html", &output), 0);
    EXPECT_EQ(transform(ByteVector{}, "text/plain", &output), 0);
    EXPECT_EQ(transform(other, nullptr, &output), 0);
    EXPECT_EQ(call(kyd_plugin::kTransform, 0, arg("text/plain"), arg(&output)), 0);
    EXPECT_EQ(call(kyd_plugin::kTransform, arg(&other), arg("text/plain"), 0), 0) << "no slot for the output";
    EXPECT_EQ(output, kept);
    EXPECT_EQ(*kept, bytes({'o', 'k'}));

    EXPECT_EQ(call(kyd_plugin::kClear, 0, 0, 0), 1);
    EXPECT_TRUE(kept->empty());
    EXPECT_EQ(call(kyd_plugin::kCodePage, 0, 0, 0), 0) << "no value to set";
    EXPECT_EQ(call(99, 0, 0, 0), 0);
}

TEST_F(BriselPlugin, SemanticCheckAcceptsOnlyWholeUtf8) {
    ASSERT_TRUE(initialise());
    const auto check = [&](const ByteVector& document) {
        std::uint32_t result = 77;
        EXPECT_EQ(call(kyd_plugin::kSemanticCheck, arg(&document), arg(&result), 0), 1);
        return result;
    };
    EXPECT_EQ(check(bytes({0xEF, 0xBB, 0xBF, 'a', 0xC3, 0xA1})), kyd_plugin::kValid);
    EXPECT_EQ(check(bytes({'a', 0xC3, 0xA1, 0xC3})), kyd_plugin::kNotValid);
    EXPECT_EQ(check(bytes({0xE1, 'a'})), kyd_plugin::kNotValid) << "Windows-1250 text";

    std::uint32_t untouched = 77;
    const ByteVector empty;
    EXPECT_EQ(call(kyd_plugin::kSemanticCheck, arg(&empty), arg(&untouched), 0), 0);
    EXPECT_EQ(call(kyd_plugin::kSemanticCheck, 0, arg(&untouched), 0), 0);
    EXPECT_EQ(untouched, 77u);
    const ByteVector text = bytes({'a'});
    EXPECT_EQ(call(kyd_plugin::kSemanticCheck, arg(&text), 0, 0), 0);
}

TEST_F(BriselPlugin, AboutBoxSpeaksTheLanguageSet) {
    // The plug-in's message boxes are answered from a script; an answer
    // whose text is not in the box ends the process.
    testkit::PlatformRoot root;
    const auto script = root.path() / "answers.txt";
    std::ofstream(script) << "MessageBox IDOK Plugin provádí analýzu\n"
                             "MessageBox IDOK Plugin performs analysis\n"
                             "MessageBox IDOK Plugin performs analysis\n"
                             "MessageBox IDOK Plugin vykonáva analýzu\n"
                             "MessageBox IDOK Plugin provádí analýzu\n";
    const ScopedEnv ui("PLATFORM_UI", "script:" + script.string());
    ASSERT_TRUE(initialise());
    EXPECT_EQ(call(1, 0, 0, 0), 1);
    EXPECT_EQ(setLanguage(2), 1);
    EXPECT_EQ(call(1, 0, 0, 0), 1);
    EXPECT_EQ(setLanguage(3), 1);
    EXPECT_EQ(call(1, 0, 0, 0), 1) << "an unknown language keeps the last";
    EXPECT_EQ(setLanguage(1), 1);
    EXPECT_EQ(call(1, 0, 0, 0), 1);
    // Unloading forgets the language.
    EXPECT_EQ(exit(0, 0), 1);
    ASSERT_TRUE(initialise());
    EXPECT_EQ(call(1, 0, 0, 0), 1);
}

}  // namespace
