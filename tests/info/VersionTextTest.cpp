#include "info/VersionText.h"
#include "info/TGetVersionInfoFromFile.h"
#include "info/UpdateServer.h"

#include <gtest/gtest.h>

namespace trx {
namespace {

TEST(VersionText, ComparableVersionPadsPartsAndRefusesOtherShapes) {
    EXPECT_EQ(ComparableVersion("1.2.10.0"), "01021000");
    EXPECT_EQ(ComparableVersion("12.3.4.56"), "12030456");
    for (const char* odd : {"", "1.2", "1.2.3", "1.2.3.4.5", "1..3.4", "1.2.3."}) {
        EXPECT_EQ(ComparableVersion(odd), "") << odd;
    }
    EXPECT_TRUE(IsNewerVersion("01030000", "01021000"));
    EXPECT_FALSE(IsNewerVersion("01021000", "01021000"));
    EXPECT_FALSE(IsNewerVersion("01020900", "01021000"));
    EXPECT_TRUE(IsNewerVersion("0102100000", "01021000")); // longer, same beginning
    EXPECT_TRUE(IsNewerVersion("0", ""));                  // no version of our own
}

TEST(VersionText, MessageValueRunsToTheLineEndWithoutCarriageReturn) {
    const std::string file = "HOMEPAGE=http://home/\r\nLATESTVERSION=01030000\nMESSAGE=last line";
    EXPECT_EQ(GetMessageValue("HOMEPAGE=", file), "http://home/");
    EXPECT_EQ(GetMessageValue("LATESTVERSION=", file), "01030000");
    EXPECT_EQ(GetMessageValue("MESSAGE=", file), "last line");
    EXPECT_EQ(GetMessageValue("MESSAGE=", "MESSAGE=cr at the end\r"), "cr at the end");
    EXPECT_EQ(GetMessageValue("DETAILSURL=", file), "");
    EXPECT_EQ(GetMessageValue("MESSAGE=", "MESSAGE=\r\nHOMEPAGE=x"), "");
    // The first occurrence anywhere counts, also inside another key.
    EXPECT_EQ(GetMessageValue("MESSAGE=", "OLDMESSAGE=old\nMESSAGE=new\n"), "old");
}

TEST(VersionText, OldDetailsUrlSplitsIntoHostAndPath) {
    EXPECT_EQ(MessageFileLocation(""), BuiltInMessageLocation());
    const MessageLocation expected{"example.org:8080", "dir/message.trb"};
    EXPECT_EQ(MessageFileLocation("http://example.org:8080/dir/message.trb"), expected);
    EXPECT_EQ(MessageFileLocation("HtTp://example.org:8080/dir/message.trb"), expected);
    EXPECT_EQ(MessageFileLocation("example.org:8080/dir/message.trb"), expected);
    EXPECT_EQ(MessageFileLocation("example.org"), (MessageLocation{"example.org", ""}));
    EXPECT_EQ(expected.Url(), "http://example.org:8080/dir/message.trb");
}

TEST(VersionText, VersionResourceListsItsValuesForAnExistingFile) {
    VersionResource resource = BuildVersionResource();
    resource[1].clear(); // no "FileDescription"
    TGetVersionInfoFromFile info(resource);
    info.SetFileName("/proc/self/exe");
    EXPECT_EQ(info.FileName(), "/proc/self/exe");
    ASSERT_EQ(info.VersionCategories().size(), 7u);
    EXPECT_EQ(info.VersionCategories()[1], "FileVersion");
    EXPECT_EQ(info.GetVersionString("fileversion"), resource[2]);
    EXPECT_EQ(info.GetVersionString("FileDescription"), "");

    info.SetFileName("/no/such/program");
    EXPECT_EQ(info.FileName(), "");
    EXPECT_TRUE(info.VersionStrings().empty());
    EXPECT_EQ(info.GetVersionString("FileVersion"), "");

    // The build's own version has the four numbers the check compares.
    EXPECT_FALSE(ComparableVersion(ReadProgramVersion("/proc/self/exe")).empty());
}

} // namespace
} // namespace trx
