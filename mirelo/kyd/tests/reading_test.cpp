// Containers another writer made (Python's zipfile) read back, and hostile
// ones refused with nothing returned and nothing written outside the
// target folder.
#include <gtest/gtest.h>

#include "kyd_support.h"

using namespace kydtest;
namespace fs = std::filesystem;

namespace {

const std::string kFolder = "D20261207211554Z/";

Bytes readAt(TFileKyd& kyd, int (TFileKyd::*read)(int, Bytes&), int n) {
    Bytes out;
    EXPECT_EQ(kydOk, (kyd.*read)(n, out)) << "entry " << n;
    return out;
}

}  // namespace

TEST(KydReading, ContainersOfAnotherWriterReadBack) {
    Scratch scratch;
    const Bytes message = textBytes(5000, 1), annex = textBytes(800, 9), envelope = randomBytes(900, 8);
    std::vector<Bytes> signatures{randomBytes(700, 2), randomBytes(700, 3), randomBytes(700, 4)};
    std::vector<Bytes> policies{randomBytes(300, 5), randomBytes(300, 6)};
    const fs::path signedMessage = scratch.file("message.kyd");
    pythonWrite(signedMessage,
                {{kFolder + "M20261207211554Z.eml", message},
                 {kFolder + "S20261207211554Z.p7s", signatures[0]},
                 {kFolder + "Policy/P20261207211554Z.der", policies[0]},
                 {kFolder + "Other/annex.txt", annex},
                 {kFolder + "S20261208090000Z.p7s", signatures[1]},
                 {kFolder + "Policy/P20261208090000Z.der", policies[1]},
                 {kFolder + "S20261208090000Z_1.p7s", signatures[2]},
                 {kFolder + "A20261201120000Z.p7m", envelope}},
                scratch);
    TFileKyd kyd;
    ASSERT_EQ(kydOk, kyd.Open(ansi(signedMessage), TFileKyd::openReadOnly));
    ASSERT_EQ(3, kyd.GetSignatureCount());
    for (int n = 0; n < 3; ++n) EXPECT_EQ(signatures[n], readAt(kyd, &TFileKyd::ReadSignature, n));
    ASSERT_EQ(2, kyd.GetPolicyCount());
    for (int n = 0; n < 2; ++n) EXPECT_EQ(policies[n], readAt(kyd, &TFileKyd::ReadPolicy, n));
    EXPECT_EQ(envelope, readAt(kyd, &TFileKyd::ReadEnvelope, 0));
    Bytes out;
    EXPECT_EQ(kydEmptyArgument, kyd.ReadSignature(3, out));
    bool isMessage = false;
    ASSERT_EQ(kydOk, kyd.ReadDocument(out, isMessage));
    EXPECT_TRUE(isMessage);
    EXPECT_EQ(message, out);
    kyd.Close(false);

    // A plain document: the folder's first entry, extracted under a new name.
    const Bytes document = textBytes(70000, 10);
    const fs::path plain = scratch.file("plain.kyd");
    pythonWrite(plain, {{kFolder + "contract.odt", document}, {kFolder + "S20261207211554Z.p7s", signatures[0]}},
                scratch);
    ASSERT_EQ(kydOk, kyd.Open(ansi(plain), TFileKyd::openReadOnly));
    std::string name;
    ASSERT_EQ(kydOk, kyd.GetDocumentEntryName(name));
    EXPECT_EQ("D20261207211554Z\\contract.odt", name);
    ASSERT_EQ(kydOk, kyd.ExtractDocument(ansi(scratch.file("out")), "copy.odt"));
    EXPECT_EQ(document, fileBytes(scratch.file("out/copy.odt")));
    out.clear();
    ASSERT_EQ(kydOk, kyd.ReadDocument(out, isMessage));
    EXPECT_FALSE(isMessage);
    EXPECT_EQ(kydNoSignature, kyd.ReadEnvelope(0, out));
    kyd.Close(false);

    // No folder at all, and two messages.
    const fs::path empty = scratch.file("empty.kyd");
    pythonWrite(empty, {}, scratch);
    ASSERT_EQ(kydOk, kyd.Open(ansi(empty), TFileKyd::openReadOnly));
    EXPECT_EQ(0, kyd.GetSignatureCount());
    EXPECT_EQ(kydNoSignature, kyd.ReadSignature(0, out));
    EXPECT_EQ(kydNoDocument, kyd.ReadDocument(out, isMessage));
    kyd.Close(false);
    const fs::path twoMessages = scratch.file("two.kyd");
    pythonWrite(twoMessages, {{kFolder + "M20261207211554Z.eml", message}, {kFolder + "M20261207211555Z.eml", message}},
                scratch);
    ASSERT_EQ(kydOk, kyd.Open(ansi(twoMessages), TFileKyd::openReadOnly));
    EXPECT_EQ(kydDuplicate, kyd.ReadDocument(out, isMessage));
    EXPECT_EQ(kydDuplicate, kyd.GetDocumentEntryName(name));
    kyd.Close(false);
}

TEST(KydReading, HostileContainersAreRefused) {
    Scratch scratch;
    const Bytes signature = randomBytes(700, 2);
    const Bytes bomb(4 << 20, 0);  // inflates 1000-fold
    auto make = [&](const std::string& file, const std::string& how) {
        const fs::path archive = scratch.file(file);
        pythonWrite(archive, {{kFolder + "doc.txt", bomb}, {kFolder + "S20261207211554Z.p7s", signature}}, scratch,
                    how);
        return archive;
    };
    TFileKyd kyd;
    const fs::path truncated = make("truncated.kyd", "truncate");
    EXPECT_EQ(kydOpenFailed, kyd.Open(ansi(truncated), TFileKyd::openReadOnly));
    EXPECT_EQ(kydOpenFailed, kyd.Open(ansi(truncated), TFileKyd::openUpdate));
    scratch.write("text.kyd", textBytes(3000));
    EXPECT_EQ(kydOpenFailed, kyd.Open(ansi(scratch.file("text.kyd")), TFileKyd::openReadOnly));

    const fs::path target = scratch.file("target");
    fs::create_directories(target);
    for (const char* how : {"crc", "encrypt", "understate", "overstate"}) {
        SCOPED_TRACE(how);
        ASSERT_EQ(kydOk, kyd.Open(ansi(make(std::string(how) + ".kyd", how)), TFileKyd::openReadOnly));
        EXPECT_EQ(signature, readAt(kyd, &TFileKyd::ReadSignature, 0)) << "the sound entry still reads";
        Bytes out{1, 2, 3};
        bool isMessage = true;
        EXPECT_EQ(kydExtractFailed, kyd.ExtractToMemory(0, out));
        EXPECT_EQ((Bytes{1, 2, 3}), out) << "nothing is returned";
        EXPECT_EQ(kydExtractFailed, kyd.ReadDocument(out, isMessage));
        EXPECT_EQ(kydExtractFailed, kyd.ExtractToFile(0, ansi(target), "doc.txt"));
        EXPECT_TRUE(fs::is_empty(target));
        kyd.Close(false);
    }

    // Names that climb out of the folder or start at the root land in the
    // target folder under their file names; "..", which has none, is 9103.
    const fs::path climbing = scratch.file("climbing.kyd");
    pythonWrite(climbing,
                {{kFolder + "../../../evil1.txt", signature},
                 {"/tmp-evil2.txt", signature},
                 {kFolder + "..\\..\\evil3.txt", signature},
                 {"..", signature}},
                scratch);
    auto outsideTarget = [&] {
        auto files = scratch.allFiles();
        std::erase_if(files, [](const std::string& file) { return file.rfind("work/target/", 0) == 0; });
        return files;
    };
    const auto before = outsideTarget();
    ASSERT_EQ(kydOk, kyd.Open(ansi(climbing), TFileKyd::openReadOnly));
    for (ZIP_INDEX_TYPE index = 0; index < 3; ++index) EXPECT_EQ(kydOk, kyd.ExtractToFile(index, ansi(target), ""));
    EXPECT_EQ(kydExtractFailed, kyd.ExtractToFile(3, ansi(target), ""));
    EXPECT_EQ(kydExtractFailed, kyd.ExtractToFile(0, ansi(target), "..")) << "nor a new name that climbs";
    kyd.Close(false);
    EXPECT_EQ(before, outsideTarget());
    std::vector<std::string> landed;
    for (const auto& file : fs::directory_iterator(target)) landed.push_back(file.path().filename().string());
    std::sort(landed.begin(), landed.end());
    EXPECT_EQ((std::vector<std::string>{"evil1.txt", "evil3.txt", "tmp-evil2.txt"}), landed);
}
