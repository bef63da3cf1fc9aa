// The wizard's last steps against testkit's renewal server: the requests of
// the summary signed through the real signer (a container under the
// qualified policy) and enrolment object (PKCS#7), sent, saved, loaded and
// sent again, refused and cut off, each road ending on the appendix.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>

#include "sending_fixture.h"

namespace {

using namespace sending_fixture;

// The authentication request's block follows the paired one's; the holder
// of the qualified certificate signs it.
TEST_F(RequestSending, APairIsSignedSentAndNumberedAndTheAppendixShowsTheNumber) {
    server->expect({{"Q-PV-SK", "S-PV", "S-PE"}, "zip"});
    PrepareRequests(halvex::kKindQualified | halvex::kKindParvelPair, true);
    Click("SUMMARY_SEND");

    const auto got = server->requests();
    ASSERT_EQ(1u, got.size()) << testing::PrintToString(script::transcript()) << log();
    EXPECT_EQ("ok", got[0].verdict);
    EXPECT_EQ("Halvex", got[0].userAgent);
    EXPECT_EQ("text/plain", got[0].contentType);
    // The container first, then the commercial and the authentication
    // request's PKCS#7 blocks.
    EXPECT_EQ((std::vector<std::string>{"Tesk Kyd", "PKCS7", "PKCS7"}), ArmouredBlocks(got[0].body)) << got[0].body;
    ASSERT_EQ(3u, got[0].numbers.size());
    const std::size_t third = got[0].body.rfind("-----BEGIN PKCS7-----");
    EXPECT_EQ(renewal->qualified.certificate->pem(), SignerOf(got[0].body.substr(third)));

    ASSERT_EQ("appendix.htm", frame->View().PageName());
    EXPECT_EQ(halvex::SendState::Sent, frame->Outcome().sendState);
    EXPECT_EQ(fromUtf8(got[0].numbers[0].second), frame->Outcome().requestNumber);
    EXPECT_TRUE(Shown("REQ_SEND_B"));
    EXPECT_NE(std::string::npos, Html("REQ_NOTE_SEND").find("<b>" + got[0].numbers[0].second + "</b>"));
    EXPECT_FALSE(Shown("SUMMARY_SEND_COMMAND"));
    EXPECT_FALSE(Shown("REQ_SAVE_B"));
    // Every request took the same time stamp; no working file stays.
    EXPECT_EQ(14u, frame->Request(0).requestTimeStamp.size());
    EXPECT_EQ(frame->Request(0).requestTimeStamp, frame->Request(1).requestTimeStamp);
    EXPECT_TRUE(WorkingFilesLeft().empty());

    // The same request saved: the dialog offers the pair's name and filter.
    const fs::path saved = root.path() / "pair.req";
    script::queue("SaveFile", saved.string());
    Follow("URL_REQUEST_SAVE");
    const auto shown = script::transcript();
    ASSERT_FALSE(shown.empty());
    EXPECT_NE(std::string::npos, shown.back().find("req_" + toUtf8(frame->Request(0).requestTimeStamp) + "_parvel"))
        << shown.back();
    EXPECT_NE(std::string::npos, shown.back().find("Kyd + PKCS#7")) << shown.back();
    EXPECT_TRUE(testkit::readFile(saved) == got[0].body);
    EXPECT_TRUE(Shown("REQ_SAVE_B"));
    EXPECT_TRUE(Shown("REQ_SEND_B"));
}

// Saving over a folder fails, with the system's cause, and leaves the folder
// as it was; the file a request is saved to may carry markup in its name,
// shown as text.
TEST_F(RequestSending, ASavedRequestIsLoadedAndItsBytesReachTheServerUnchanged) {
    // A renewal of the authority family's qualified certificate.
    server->expect({{"Q-MA-SK"}, "zip"});
    PrepareRequests(halvex::kKindQualified | halvex::kKindAuthorityFamily);
    // The name typed takes the default extension and meets a folder.
    root.write("old.req/kept.txt", "kept");
    script::queue("SaveFile", (root.path() / "old").string());
    script::queue("MessageBox", "IDYES", "old.req již existuje.");
    script::queue("MessageBox", "IDOK", "Chyba při ukládání vytvořené žádosti do souboru");
    Click("SUMMARY_SAVE");
    EXPECT_EQ("summary_renew.htm", frame->View().PageName());
    EXPECT_EQ(0u, script::pending()) << testing::PrintToString(script::transcript()) << log();
    // The box and the log give the system's cause after the message.
    const auto told = script::transcript();
    ASSERT_FALSE(told.empty());
    EXPECT_NE(std::string::npos, told.back().find("Access is denied.")) << told.back();
    EXPECT_NE(std::string::npos, log().find("Access is denied.")) << log();
    EXPECT_EQ("kept", root.read("old.req/kept.txt"));
    for (const auto& entry : fs::directory_iterator(root.path()))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".old.req")) << entry.path();
    EXPECT_FALSE(frame->Outcome().saved);

    // Saved under a umask that lets others read new files: this one holds
    // the revocation password and is kept for its owner alone.
    const fs::path saved = root.path() / "saved" / "<i>renewal&amp;.req";
    fs::create_directories(saved.parent_path());
    script::queue("SaveFile", saved.string());
    const mode_t umaskBefore = ::umask(022);
    Follow("URL_REQUEST_SAVE");
    ::umask(umaskBefore);
    struct stat status{};
    ASSERT_EQ(0, ::stat(saved.c_str(), &status));
    EXPECT_EQ(0600u, status.st_mode & 0777);
    ASSERT_EQ("appendix.htm", frame->View().PageName()) << testing::PrintToString(script::transcript()) << log();
    EXPECT_TRUE(server->requests().empty());
    // The dialog proposed the name made from the time stamp.
    const auto shown = script::transcript();
    ASSERT_FALSE(shown.empty());
    EXPECT_NE(std::string::npos, shown.back().find("req_" + toUtf8(frame->Request(0).requestTimeStamp) + "_qc"))
        << shown.back();
    EXPECT_TRUE(Shown("REQ_SAVE_B"));
    EXPECT_EQ((root.path() / "saved" / "&lt;i&gt;renewal&amp;amp;.req").string(), Html("REQ_FNAME"));
    EXPECT_FALSE(Shown("REQ_SEND_B"));
    const std::string file = testkit::readFile(saved);

    // A file that is not there is told and nothing is loaded.
    frame->OnCommand(halvex::kCommandHome);
    frame->View().Go2Res(true, u"selrequest.htm");
    Act(PageAction::Kind::Set, "certrenewreq", (root.path() / "missing.req").string());
    script::queue("MessageBox", "IDOK", "Chyba při čtení souboru.");
    Click("SELREQ_LOAD");
    EXPECT_EQ("selrequest.htm", frame->View().PageName());
    EXPECT_EQ(0u, script::pending()) << testing::PrintToString(script::transcript());

    // A file's markup is shown as text on the review page, never followed.
    frame->OnCommand(halvex::kCommandHome);
    const fs::path hostile = root.write("hostile.req", "<a id=\"X\" href=\"URL_APP_EXIT\">Odeslat</a>\n");
    Load(hostile);
    EXPECT_EQ(std::string::npos, Html("RA_REQUEST").find("<a")) << Html("RA_REQUEST");
    EXPECT_NE(std::string::npos, Html("RA_REQUEST").find("&lt;a id="));
    EXPECT_FALSE(frame->View().Html().className("X").has_value());

    // The saved file picked in the open dialog and loaded: shown line by
    // line, sent unchanged.
    // The open dialog starts in the folder the request was saved to.
    frame->OnCommand(halvex::kCommandHome);
    frame->View().Go2Res(true, u"selrequest.htm");
    script::queue("OpenFile", saved.string());
    Follow("URL_SHOWFILEDIALOG");
    const auto opened = script::transcript();
    ASSERT_FALSE(opened.empty());
    EXPECT_TRUE(opened.back().starts_with("OpenFile: ") &&
                opened.back().find(": " + saved.parent_path().string() + ":") != std::string::npos)
        << opened.back();
    Click("SELREQ_LOAD");
    ASSERT_EQ("sendcert_review.htm", frame->View().PageName());
    EXPECT_NE(std::string::npos, Html("RA_REQUEST").find("-----BEGIN Tesk Kyd-----<br"));
    EXPECT_EQ(0u, frame->Request(0).kind & halvex::kKindParvelPair);

    Click("REVIEW_SEND");
    const auto got = server->requests();
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ("ok", got[0].verdict);
    EXPECT_TRUE(got[0].body == file);
    EXPECT_EQ("appendix.htm", frame->View().PageName());
    EXPECT_EQ(fromUtf8(got[0].numbers.at(0).second), frame->Outcome().requestNumber);

    // Saved again: the dialog proposes the file it came from.
    const fs::path again = root.path() / "again.req";
    script::queue("SaveFile", again.string());
    Follow("URL_REQUEST_SAVE");
    const auto proposed = script::transcript();
    ASSERT_FALSE(proposed.empty());
    EXPECT_NE(std::string::npos, proposed.back().find(saved.parent_path().string() + ": <i>renewal&amp;.req"))
        << proposed.back();
    EXPECT_TRUE(testkit::readFile(again) == file);
}

// A lawyer-card pair: the container and the commercial request's PKCS#7,
// refused, answered with a page that is no reply, cut off, saved and sent.
TEST_F(RequestSending, ARefusalAWrongReplyAndACutConnectionEndOnTheAppendixWithTheResendLink) {
    PrepareRequests(halvex::kKindQualified | halvex::kKindLawyerCardPair);
    server->answer(testkit::RenewalReply::Refusal);
    Click("SUMMARY_SEND");
    ASSERT_EQ("appendix.htm", frame->View().PageName()) << log();
    EXPECT_EQ(halvex::SendState::Failed, frame->Outcome().sendState);
    const std::string refusal = toUtf8(frame->Outcome().requestNumber);
    EXPECT_TRUE(refusal.starts_with("Request denied. Code: 503 : ")) << refusal;
    // The server's text is shown as text: its markup, a link to a program
    // command among it, never reaches the page as markup.
    const std::string error = Html("REQ_NOTE_SEND_ERROR");
    EXPECT_EQ(std::string::npos, error.find('<')) << error;
    EXPECT_NE(std::string::npos, error.find("&lt;a href=\"URL_APP_EXIT\"&gt;")) << error;
    EXPECT_TRUE(Shown("REQ_SEND_B"));
    const std::string resend = "<a href=\"URL_REQUEST_SEND\">Odeslat žádost znovu</a><br>";
    EXPECT_EQ(resend, Html("SUMMARY_SEND_COMMAND"));

    // The resend link, answered with an HTML page instead of a reply.
    server->answer(testkit::RenewalReply::NotWellFormed);
    Follow("URL_REQUEST_SEND");
    ASSERT_EQ(2u, server->requests().size());
    EXPECT_EQ("appendix.htm", frame->View().PageName());
    EXPECT_EQ(halvex::SendState::Failed, frame->Outcome().sendState);
    EXPECT_EQ(u"Server response not well-formed", frame->Outcome().requestNumber);
    EXPECT_NE(std::string::npos, Html("REQ_NOTE_SEND_ERROR").find("Server response not well-formed"));
    EXPECT_TRUE(Shown("SUMMARY_SEND_COMMAND"));
    EXPECT_EQ(resend, Html("SUMMARY_SEND_COMMAND"));

    // Again, over a connection the server resets.
    server->answer(testkit::RenewalReply::Reset);
    Follow("URL_REQUEST_SEND");
    EXPECT_EQ(3u, server->requests().size());
    EXPECT_EQ(halvex::SendState::Failed, frame->Outcome().sendState);
    EXPECT_TRUE(toUtf8(frame->Outcome().requestNumber).starts_with("Error in HTTPS connection.\n"))
        << toUtf8(frame->Outcome().requestNumber);
    EXPECT_EQ("appendix.htm", frame->View().PageName());
    EXPECT_EQ(resend, Html("SUMMARY_SEND_COMMAND"));

    // The request can still be saved under the lawyer pair's name.
    const fs::path saved = root.path() / "after-failure.req";
    script::queue("SaveFile", saved.string());
    Follow("URL_REQUEST_SAVE");
    const auto shown = script::transcript();
    ASSERT_FALSE(shown.empty());
    EXPECT_NE(std::string::npos, shown.back().find("req_" + toUtf8(frame->Request(0).requestTimeStamp) + "_sak"))
        << shown.back();
    EXPECT_TRUE(Shown("REQ_SAVE_B"));

    // Loaded again, the file's PKCS#7 block marks it as a pair; sent once
    // more and accepted without a number: sent all the same.
    frame->OnCommand(halvex::kCommandHome);
    Load(saved);
    EXPECT_NE(0u, frame->Request(0).kind & halvex::kKindParvelPair);
    server->answer(testkit::RenewalReply::AcceptedWithoutNumbers);
    Click("REVIEW_SEND");
    const auto got = server->requests();
    ASSERT_EQ(4u, got.size());
    EXPECT_EQ("ok", got[3].verdict);
    EXPECT_TRUE(got[3].body == testkit::readFile(saved));
    EXPECT_EQ((std::vector<std::string>{"Tesk Kyd", "PKCS7"}), ArmouredBlocks(got[3].body)) << got[3].body;
    EXPECT_EQ(commercial.certificate->pem(), SignerOf(got[3].body.substr(got[3].body.find("-----BEGIN PKCS7-----"))));
    EXPECT_EQ(halvex::SendState::Sent, frame->Outcome().sendState);
    EXPECT_EQ(u"No request number returned", frame->Outcome().requestNumber);
    EXPECT_NE(std::string::npos, Html("REQ_NOTE_SEND").find("No request number returned"));
    EXPECT_FALSE(Shown("SUMMARY_SEND_COMMAND"));
}

class ContainerSigningRefused : public RequestSending {
protected:
    void SetUp() override {
        signerConfirmation = "Dialog press:7 Dialog 206:\n";
        RequestSending::SetUp();
    }
};

// The container the user refuses to sign: the signer's own account of it
// is shown, nothing is sent or saved, no working file is left behind.
TEST_F(ContainerSigningRefused, ShowsTheSignersReasonAndSendsNothing) {
    PrepareRequests(halvex::kKindQualified);
    script::queue("MessageBox", "IDOK", "Error:\n");
    Click("SUMMARY_SEND");
    EXPECT_EQ(0u, script::pending()) << testing::PrintToString(script::transcript()) << log();
    const auto shown = script::transcript();
    const auto box = std::find_if(shown.begin(), shown.end(),
                                  [](const std::string& line) { return line.starts_with("MessageBox"); });
    ASSERT_NE(shown.end(), box) << testing::PrintToString(shown);
    const std::size_t reason = box->find("Error:\n");
    ASSERT_NE(std::string::npos, reason) << *box;
    EXPECT_GT(box->size(), reason + 7) << *box;
    EXPECT_TRUE(server->requests().empty());
    EXPECT_EQ("summary_renew.htm", frame->View().PageName());
    EXPECT_EQ(halvex::SendState::Untouched, frame->Outcome().sendState);
    EXPECT_TRUE(WorkingFilesLeft().empty());
}

class RequestSigningRefused : public RequestSending {
protected:
    void SetUp() override {
        pentakAnswers = "Dialog press:7 Dialog 102:\n";
        RequestSending::SetUp();
    }
};

// A revocation password no document can carry is named and nothing is
// signed. A signature the user refuses is no signature: the error is
// shown. Either way nothing is sent, the summary stays and no working file
// is left behind.
TEST_F(RequestSigningRefused, NothingIsSentAndTheSummaryStays) {
    PrepareRequests(halvex::kKindQualified | halvex::kKindParvelPair);
    for (std::size_t n : {0u, 1u}) frame->Request(n).challengePassword = u"heslo\x01";
    script::queue("MessageBox", "IDOK", "Chybně zadána položka 'Heslo pro zneplatnění' - zadány nepovolené znaky");
    Click("SUMMARY_SEND");
    EXPECT_EQ(0u, script::pending()) << testing::PrintToString(script::transcript());
    EXPECT_EQ("summary_renew.htm", frame->View().PageName());
    EXPECT_TRUE(WorkingFilesLeft().empty());

    for (std::size_t n : {0u, 1u}) frame->Request(n).challengePassword = u"heslo";
    script::queue("MessageBox", "IDOK", "Chyba při podepisování žádosti");
    Click("SUMMARY_SEND");
    EXPECT_TRUE(server->requests().empty());
    EXPECT_EQ("summary_renew.htm", frame->View().PageName());
    EXPECT_EQ(0u, script::pending()) << testing::PrintToString(script::transcript());
    EXPECT_TRUE(WorkingFilesLeft().empty());
}

}  // namespace
