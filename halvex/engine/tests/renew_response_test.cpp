// The renewal server's replies as the wizard gets them from
// ParseRenewResponse: the request numbers of an acceptance, or the text
// that ends up on the page for a refusal or an unusable reply.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "halvex/renew_client.h"
#include "testkit/bounded_run.h"
#include "testkit/processor_time.h"
#include "testkit/sanitize_build.h"
#include "win32/error_codes.h"

namespace halvex {
namespace {

std::string Reply(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Tesk><Response><Header/>" + body + "</Response></Tesk>";
}

struct ReplyCase {
    const char* name;
    std::string reply;
    std::vector<std::pair<std::string, std::string>> numbers;  // when accepted
    std::string error;        // else what() of the exception
    bool refusal = false;     // ResponseException rather than XMLException
};

TEST(HalvexRenewResponse, EveryReplyGivesItsNumbersOrItsText) {
    const std::vector<ReplyCase> cases = {
        {"accepted", Reply("<Body status=\"ok\">\n\t<ReqID ca_type=\"QCA\">\r\n\t 20240001 \n</ReqID>"
                           "<ReqID ca_type=\"SCA\">20240002</ReqID></Body>"),
         {{"QCA", "20240001"}, {"SCA", "20240002"}}, ""},
        {"accepted in Czech", Reply("<Body status=\"ok\"><ReqID ca_type=\"kvalifikovaná\">č. 7</ReqID></Body>"),
         {{"kvalifikovaná", "č. 7"}}, ""},
        {"accepted without numbers", Reply("<Body status=\"ok\"/>"), {}, ""},
        {"number without text", Reply("<Body status=\"ok\"><ReqID ca_type=\"QCA\"/></Body>"), {},
         "Empty request ID provided on request acceptance"},
        {"number without ca_type", Reply("<Body status=\"ok\"><ReqID>1</ReqID></Body>"), {},
         "No request ca_type provided on acceptance of request"},
        {"refused", Reply("<Body status=\"error\"><Error><Code> 42 </Code><Message>\n<b>bad</b> &amp; signature\n"
                          "</Message></Error></Body>"),
         {}, "Request denied. Code: 42 : bad & signature\n", true},
        {"refused without message", Reply("<Body status=\"error\"><Error><Code>42</Code></Error></Body>"), {},
         "Request denied. Code: 42 : No message.\n", true},
        {"refused without code", Reply("<Body status=\"error\"><Error><Message>no</Message></Error></Body>"), {},
         "Request denied with no error code provided"},
        {"other status", Reply("<Body status=\"OK\"><ReqID ca_type=\"QCA\">1</ReqID></Body>"), {},
         "Wrong status code provided"},
        {"no status", Reply("<Body><ReqID ca_type=\"QCA\">1</ReqID></Body>"), {},
         "Server response does not contain status code"},
        {"cut short", Reply("<Body status=\"ok\"><ReqID ca_type=\"QCA\">1</ReqID></Body>").substr(0, 70), {},
         "Server response not well-formed"},
        {"empty", "", {}, "Server response not well-formed"},
        {"HTML page", "<html><body>Service unavailable<br/></body></html>", {},
         "Server response does not contain status code"},
        // A reply that declares an entity, even an outside one, is refused.
        {"outside entity",
         "<?xml version=\"1.0\"?>\n<!DOCTYPE Tesk [<!ENTITY x SYSTEM \"file:///etc/hostname\">]>\n"
         "<Tesk><Body status=\"ok\"><ReqID ca_type=\"QCA\">&x;</ReqID></Body></Tesk>",
         {}, "Server response not well-formed"},
    };
    for (const ReplyCase& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            const std::vector<IssuedRequest> issued = ParseRenewResponse(c.reply);
            std::vector<std::pair<std::string, std::string>> numbers;
            for (const IssuedRequest& r : issued) numbers.emplace_back(r.caType, r.number);
            EXPECT_TRUE(c.error.empty()) << "accepted, expected " << c.error;
            EXPECT_EQ(numbers, c.numbers);
        } catch (const ResponseException& e) {
            EXPECT_TRUE(c.refusal) << e.what();
            EXPECT_EQ(e.what(), c.error);
        } catch (const XMLException& e) {
            EXPECT_FALSE(c.refusal) << e.what();
            EXPECT_EQ(e.what(), c.error);
        }
    }
}

// Each bomb where a refusal's message is read, under the reply cap, in a
// child process with capped memory.
TEST(HalvexRenewResponse, HostileMarkupIsRefusedQuicklyWithLittleMemory) {
    for (const auto& bomb : testkit::HostileMarkups("Tesk")) {
        const std::string reply = "<?xml version=\"1.0\"?>\n" + bomb.doctype +
                                  "<Tesk><Response><Body status=\"error\"><Error><Code>1</Code><Message>" +
                                  bomb.references + "</Message></Error></Body></Response></Tesk>";
        ASSERT_LT(reply.size(), RequestPoster::kMaxReply) << bomb.name;
        const auto run = testkit::RunBounded([&] {
            try {
                ParseRenewResponse(reply);
                return 1;
            } catch (const ResponseException&) {
                return 2;
            } catch (const XMLException& e) {
                return std::string(e.what()) == "Server response not well-formed" ? 0 : 3;
            }
        });
        EXPECT_TRUE(testkit::RefusedQuickly(run)) << bomb.name;
    }
}

// The reply's reading counts against the exchange's deadline: a reply under
// the cap that takes longer to parse than the time left ends with the
// exchange's time-out soon after the deadline, not when the parse is done.
// Both are measured in processor time, which a busy machine leaves as it is.
TEST(HalvexRenewResponse, AReplyStillBeingReadAtTheDeadlineEndsWithTheTimeOut) {
    std::string body;
    while (body.size() < RequestPoster::kMaxReply - 200) body += "<a/>";
    const std::string reply = Reply(body + "<Body status=\"ok\"><ReqID ca_type=\"QCA\">1</ReqID></Body>");
    lumvar::PostOptions exchange;
    exchange.numberSteps = false;
    const auto used = testkit::processorTime();
    exchange.deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(10);
    try {
        ParseRenewResponse(reply, exchange);
        ADD_FAILURE() << "the reply was read past the deadline";
    } catch (const HTTPSException& e) {
        EXPECT_EQ(e.errorNumber(), ERROR_INTERNET_TIMEOUT) << e.what();
        EXPECT_TRUE(std::string(e.what()).starts_with(
            "Error in HTTPS connection.\nLibrary error number: 12002\nMessage: The operation timed out\n"))
            << e.what();
        EXPECT_EQ(std::string(e.what()).find("Line:"), std::string::npos) << e.what();
    }
    EXPECT_LT(testkit::processorTime() - used, std::chrono::milliseconds(60) * testkit::kSlowdown);
    // The whole parse takes far longer than that.
    const auto whole = testkit::processorTime();
    EXPECT_EQ(ParseRenewResponse(reply).size(), 1u);
    EXPECT_GT(testkit::processorTime() - whole, std::chrono::milliseconds(60));
}

}  // namespace
}  // namespace halvex
