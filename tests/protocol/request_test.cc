#include "protocol/request.h"

#include <gtest/gtest.h>

#include "protocol/file_url.h"

namespace protocol {
namespace {

TEST(RequestString, WalkWithoutElementsIsTheHeadAlone) {
  auto req = BuildRequestString(Method::kMibWalk, {"VN420P", "alice"});
  ASSERT_TRUE(req);
  EXPECT_EQ(*req, "VN420P:ModelName:ENDalice:USErName:END");
  auto walk = ParseWalkRequest(*req);
  ASSERT_TRUE(walk);
  EXPECT_EQ(walk->model, "VN420P");
  EXPECT_EQ(walk->user, "alice");
  EXPECT_TRUE(walk->elements.empty());
}

TEST(RequestString, WalkElementsEachEndWithTheArgMarker) {
  auto req = BuildRequestString(Method::kMibWalk, {"VN420P", "alice", "snmpwalk", "-Os"});
  ASSERT_TRUE(req);
  EXPECT_EQ(*req, "VN420P:ModelName:ENDalice:USErName:ENDsnmpwalk:arg:-Os:arg:");
  auto walk = ParseWalkRequest(*req);
  ASSERT_TRUE(walk);
  EXPECT_EQ(walk->elements, (std::vector<std::string>{"snmpwalk", "-Os"}));
}

TEST(RequestString, WalkKeepsEmptyElementsAndDropsTheTail) {
  // n pieces give n - 1 elements, whatever the last piece holds.
  auto walk = ParseWalkRequest("M:ModelName:ENDu:USErName:END:arg:x:arg:tail");
  ASSERT_TRUE(walk);
  EXPECT_EQ(walk->elements, (std::vector<std::string>{"", "x"}));
  EXPECT_FALSE(ParseWalkRequest("Mu:USErName:END"));
  EXPECT_FALSE(ParseWalkRequest("M:ModelName:ENDu"));
}

TEST(RequestString, SwapFieldsFollowTheirMarkers) {
  auto req = BuildRequestString(Method::kSwapProfile, {"2", "/a/p.plist", "/a/q.plist"});
  ASSERT_TRUE(req);
  EXPECT_EQ(*req, "2:ARG_iSwapType/a/p.plist:ARG_cFooCurrentString/a/q.plist:ARG_cFooPrevString");
  SwapRequest swap = ParseSwapRequest(*req);
  EXPECT_EQ(swap.mode, 2);
  EXPECT_EQ(swap.profile, "/a/p.plist");
  EXPECT_EQ(swap.prev, "/a/q.plist");
}

TEST(RequestString, SwapNullFieldsAreAbsent) {
  SwapRequest swap = ParseSwapRequest("NULL:ARG_iSwapTypeNULL:ARG_cFooCurrentString/q:ARG_cFooPrevString");
  EXPECT_EQ(swap.mode, 0);
  EXPECT_FALSE(swap.profile);
  EXPECT_EQ(swap.prev, "/q");
  swap = ParseSwapRequest("7:ARG_iSwapType/p:ARG_cFooCurrentStringNULL:ARG_cFooPrevString");
  EXPECT_EQ(swap.mode, 7);
  EXPECT_FALSE(swap.prev);
}

TEST(RequestString, SwapWithoutMarkersIsModeZeroWithNoPaths) {
  SwapRequest swap = ParseSwapRequest("2/p/q");
  EXPECT_EQ(swap.mode, 0);
  EXPECT_FALSE(swap.profile);
  EXPECT_FALSE(swap.prev);
  // A mode beyond the int range clamps instead of overflowing.
  EXPECT_EQ(ParseSwapRequest("99999999999999999999:ARG_iSwapType").mode, INT32_MAX);
  EXPECT_EQ(ParseSwapRequest("-99999999999999999999:ARG_iSwapType").mode, INT32_MIN);
}

TEST(RequestString, WritesJoinURLAndDataAroundTheMarker) {
  auto req = BuildRequestString(Method::kWriteDataToPlistFile, {"file:///x", "a:AddURL:ENDb"});
  ASSERT_TRUE(req);
  auto write = ParseWriteRequest(*req);
  ASSERT_TRUE(write);
  EXPECT_EQ(write->url, "file:///x");
  // Only the first marker splits: the data keeps a marker of its own.
  EXPECT_EQ(write->data, "a:AddURL:ENDb");
  EXPECT_FALSE(ParseWriteRequest("file:///x"));
  EXPECT_EQ(*BuildRequestString(Method::kWriteDictionaryToPlistFile, {"u", "d"}), "u:AddURL:ENDd");
}

TEST(RequestString, PathMethodsCarryTheArgumentAsIs) {
  for (Method m : {Method::kIsAdminProfile, Method::kExistProfile, Method::kRemove,
                   Method::kWriteDataToPlistFileRename})
    EXPECT_EQ(*BuildRequestString(m, {"/p q"}), "/p q");
}

TEST(RequestString, TooFewArgumentsBuildNothing) {
  EXPECT_FALSE(BuildRequestString(Method::kIsAdminProfile, {}));
  EXPECT_FALSE(BuildRequestString(Method::kSwapProfile, {"2", "/p"}));
  EXPECT_FALSE(BuildRequestString(Method::kWriteDataToPlistFile, {"u"}));
  EXPECT_FALSE(BuildRequestString(Method::kMibWalk, {"VN420P"}));
}

TEST(MethodNames, ExactNamesOnly) {
  for (int i = 0; i < kMethodCount; ++i) {
    Method m = static_cast<Method>(i);
    EXPECT_EQ(MethodFromName(MethodName(m)), m);
  }
  EXPECT_FALSE(MethodFromName("mibwalk_XPC:reply:"));
  EXPECT_FALSE(MethodFromName("hvplistremove_xpc"));
  EXPECT_FALSE(MethodFromName(""));
}

TEST(ReplyLine, CallerReadsTheMarker) {
  EXPECT_EQ(ReplyLine(Method::kSwapProfile, "TRUE"), "hvPListSwapProfile_XPC=TRUE\n");
  EXPECT_TRUE(OutputSaysTrue(ReplyLine(Method::kRemove, "TRUE"), Method::kRemove));
  EXPECT_FALSE(OutputSaysTrue(ReplyLine(Method::kRemove, "FALSE"), Method::kRemove));
  EXPECT_FALSE(OutputSaysTrue("", Method::kRemove));
  // Another method's TRUE is not this one's.
  EXPECT_FALSE(OutputSaysTrue("hvPListExistProfile_XPC=TRUE\n", Method::kRemove));
}

TEST(ReplyLine, WalkStatusFollowsItsMarker) {
  EXPECT_EQ(WalkStatusFromOutput(ReplyLine(Method::kMibWalk, WalkReply(-2))), -2);
  EXPECT_EQ(WalkStatusFromOutput("mibwalk_XPC=iRet=0\n"), 0);
  EXPECT_FALSE(WalkStatusFromOutput("mibwalk_XPC=iRet=\n"));
  EXPECT_FALSE(WalkStatusFromOutput("mibwalk_XPC=TRUE\n"));
  EXPECT_FALSE(WalkStatusFromOutput(""));
}

TEST(FileURL, PathRoundTripsThroughPercentEncoding) {
  std::string path = "/Library/Application Support/é 100%/a#b?c";
  std::string url = FileURLFromPath(path);
  EXPECT_EQ(url, "file:///Library/Application%20Support/%C3%A9%20100%25/a%23b%3Fc");
  EXPECT_EQ(PathFromFileURL(url), path);
  EXPECT_EQ(PathFromFileURL("file://localhost/a%2fb"), "/a/b");
}

TEST(FileURL, RefusesWhatNamesNoLocalFile) {
  EXPECT_FALSE(PathFromFileURL("/plain/path"));
  EXPECT_FALSE(PathFromFileURL("http:///x"));
  EXPECT_FALSE(PathFromFileURL("file://host/x"));
  EXPECT_FALSE(PathFromFileURL("file://relative"));
  EXPECT_FALSE(PathFromFileURL("file:///bad%2"));
  EXPECT_FALSE(PathFromFileURL("file:///bad%zz"));
  EXPECT_FALSE(PathFromFileURL("file:///nul%00byte"));
  EXPECT_FALSE(PathFromFileURL("file:///%C3"));  // not UTF-8 once decoded
}

}  // namespace
}  // namespace protocol
