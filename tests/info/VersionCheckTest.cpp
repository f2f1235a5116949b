#include "info/VersionCheck.h"
#include "info/MessageFetch.h"
#include "info/ValueStore.h"

#include "support/LoopbackHttpServer.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace trx {
namespace {

using test::LoopbackHttpServer;

class MemoryStore : public ValueStore {
public:
    std::string ReadRegString(const std::string& name) override {
        const auto value = Values.find(name);
        return value == Values.end() ? std::string() : value->second;
    }
    void WriteRegString(const std::string& name, const std::string& value) override {
        Values[name] = value;
        ++Writes;
    }

    std::map<std::string, std::string> Values;
    int Writes = 0;
};

class VersionCheckTest : public ::testing::Test {
protected:
    VersionCheckTest() {
        store_.Values["OldDetailsUrl"] = "http://" + server_.HostAndPort() + "/updates/message.trb";
    }

    void Serve(const std::string& body) {
        server_.Route("/updates/message.trb", LoopbackHttpServer::Ok(body));
    }
    // One start of the program at version 1.2.10.0.
    VersionCheckOutcome Start() {
        VersionCheck check("1.2.10.0");
        VersionCheckOutcome outcome = check.GetVersionDetails(store_);
        homePage_ = check.HomePageUrl();
        return outcome;
    }
    // Whether a start changed nothing: no value written, nothing to show.
    void ExpectNothingChanges() {
        const std::map<std::string, std::string> before = store_.Values;
        const VersionCheckOutcome outcome = Start();
        EXPECT_FALSE(outcome.Message || outcome.Announcement);
        EXPECT_EQ(store_.Values, before);
        EXPECT_EQ(homePage_, "");
    }

    LoopbackHttpServer server_;
    MemoryStore store_;
    std::string homePage_;
};

TEST_F(VersionCheckTest, NewerVersionIsAnnouncedAndTheSameIsNot) {
    Serve("HOMEPAGE=http://home/\nLATESTVERSION=01030000\nLATESTURL=http://get/it\n"
          "DETAILSURL=http://details/\n");
    const VersionCheckOutcome newer = Start();
    ASSERT_TRUE(newer.Announcement);
    EXPECT_EQ(*newer.Announcement,
              "A new version of Tremolundrix is available at \r\nhttp://get/it");
    EXPECT_FALSE(newer.Message);
    EXPECT_EQ(store_.Values["HomePageURL"], "http://home/");
    EXPECT_EQ(store_.Values["LatestVersion"], "01030000");
    EXPECT_EQ(store_.Values["LatestVersionURL"], "http://get/it");
    EXPECT_EQ(store_.Values["DetailsURL"], "http://details/");
    EXPECT_EQ(store_.Values.count("Message"), 1u);

    const std::string head = server_.Requests().at(0);
    EXPECT_EQ(head.rfind("GET /updates/message.trb HTTP/1.1\r\n", 0), 0u) << head;
    EXPECT_NE(head.find("\r\nHost: " + server_.HostAndPort() + "\r\n"), std::string::npos);
    EXPECT_NE(head.find("\r\nAccept: text/html, */*\r\n"), std::string::npos) << head;
    EXPECT_NE(head.find("\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"),
              std::string::npos);

    Serve("LATESTVERSION=01021000\nLATESTURL=http://get/it\n");
    EXPECT_FALSE(Start().Announcement);
}

TEST_F(VersionCheckTest, MessageIsShownOnceAndAnEmptyOneIsStoredButNotShown) {
    Serve("MESSAGE=<b>Hello</b>\r\n");
    const VersionCheckOutcome first = Start();
    ASSERT_TRUE(first.Message);
    EXPECT_EQ(*first.Message, "<b>Hello</b>");
    EXPECT_FALSE(Start().Message);

    Serve("MESSAGE=\r\n");
    EXPECT_FALSE(Start().Message);
    EXPECT_EQ(store_.Values["Message"], "");
    Serve("MESSAGE=<b>Hello</b>");
    EXPECT_TRUE(Start().Message);
}

TEST_F(VersionCheckTest, HomePageComesFromTheFileOrElseFromTheStore) {
    Serve("HOMEPAGE=http://home/\r\nMESSAGE=last line without end");
    EXPECT_EQ(*Start().Message, "last line without end");
    EXPECT_EQ(homePage_, "http://home/");

    Serve("LATESTVERSION=01021000\r\n");
    (void)Start();
    EXPECT_EQ(homePage_, "http://home/");
    EXPECT_EQ(store_.Values["HomePageURL"], "http://home/");
    EXPECT_EQ(store_.Values["Message"], "");
}

TEST_F(VersionCheckTest, SwitchedOffCheckMakesNoRequestAndTouchesNoValue) {
    Serve("MESSAGE=hi\n");
    store_.Values["Check Version"] = "0";
    VersionCheck check("1.2.10.0");
    EXPECT_FALSE(check.GetVersionDetails(store_).Message);
    EXPECT_EQ(server_.RequestCount(), 0);
    EXPECT_EQ(store_.Writes, 0);
    EXPECT_EQ(check.ProgramVersion(), "1.2.10.0");

    store_.Values["Check Version"] = "1";
    EXPECT_TRUE(check.GetVersionDetails(store_).Message);
}

TEST_F(VersionCheckTest, FailedRequestsChangeNothing) {
    store_.Values["HomePageURL"] = "http://stored/";
    store_.Values["Message"] = "old";
    ExpectNothingChanges(); // 404 with a page that looks like a message file

    const std::string tooLarge = "MESSAGE=big\n" + std::string(kMaxMessageFileBytes, 'x');
    Serve(tooLarge);
    ExpectNothingChanges();
    // The same without a length announced: the body is counted as it comes.
    server_.Route("/updates/message.trb",
                  "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + tooLarge);
    ExpectNothingChanges();

    // Redirects stay on the web; one to a local file is refused.
    server_.Route("/updates/message.trb", LoopbackHttpServer::Redirect("file:///etc/hostname"));
    ExpectNothingChanges();
    server_.Route("/updates/message.trb", LoopbackHttpServer::Redirect("/moved"));
    server_.Route("/moved", LoopbackHttpServer::Ok("MESSAGE=moved\n"));
    EXPECT_EQ(*Start().Message, "moved");
}

TEST_F(VersionCheckTest, ServerThatNeverAnswersEndsInAFailure) {
    server_.Silence();
    const FetchResult result =
        FetchMessageFile("http://" + server_.HostAndPort() + "/updates/message.trb");
    EXPECT_FALSE(result.Succeeded());
    EXPECT_FALSE(result.Failure.empty());
    EXPECT_EQ(server_.RequestCount(), 1);
}

} // namespace
} // namespace trx
