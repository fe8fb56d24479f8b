// The eight request methods, the request strings built from the tool's
// arguments and parsed by the service, and the printed reply line.
//
// Everything here is plain text handling: no I/O, no state, thread-safe.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace protocol {

// The service every request goes to (also the socket's name).
inline constexpr std::string_view kServiceName = "jp.hv-generic.GNX310P-1";

// In the order the interface declares them.
enum class Method {
  kIsAdminProfile,
  kSwapProfile,
  kExistProfile,
  kRemove,
  kWriteDictionaryToPlistFile,
  kWriteDataToPlistFile,
  kWriteDataToPlistFileRename,
  kMibWalk,
};
inline constexpr int kMethodCount = 8;

// "hvPListIsAdminProfile_XPC" ... "mibwalk_XPC".
std::string_view MethodName(Method method);
// The method with exactly that name, compared in the bridge tool's order
// (walk first); nullopt for any other text.
std::optional<Method> MethodFromName(std::string_view name);

// Markers inside request strings.
inline constexpr std::string_view kModelNameMarker = ":ModelName:END";
inline constexpr std::string_view kUserNameMarker = ":USErName:END";
inline constexpr std::string_view kArgMarker = ":arg:";
inline constexpr std::string_view kSwapTypeMarker = ":ARG_iSwapType";
inline constexpr std::string_view kCurrentMarker = ":ARG_cFooCurrentString";
inline constexpr std::string_view kPrevMarker = ":ARG_cFooPrevString";
inline constexpr std::string_view kAddURLMarker = ":AddURL:END";
// A swap path field holding this text is absent.
inline constexpr std::string_view kNullField = "NULL";

// How long the bridge tool waits for the reply: 10 s for a file request (the
// service never holds one behind a walk); 180 s for a walk, which may wait
// for the one before it (at most kMaxWalkSeconds) and then runs within the
// same bound.
int ReplyWaitSeconds(Method method);

// Reply strings.
inline constexpr std::string_view kReplyTrue = "TRUE";
inline constexpr std::string_view kReplyFalse = "FALSE";
// "iRet=<status>".
std::string WalkReply(int status);

// The request string for `method` from the tool's arguments after the method
// name. nullopt when too few arguments were given (the tool then sends
// nothing); arguments beyond those the method uses are ignored, except for the
// walk, whose arguments from the third on are all walk elements.
std::optional<std::string> BuildRequestString(Method method, const std::vector<std::string>& args);

// The printed line: method name, "=", reply, newline.
std::string ReplyLine(Method method, std::string_view reply);

// The caller's reading of the tool's output: true exactly when it contains
// the method name followed by "=TRUE".
bool OutputSaysTrue(std::string_view output, Method method);
// The walk status after "mibwalk_XPC=iRet="; nullopt when the marker or a
// number after it is missing.
std::optional<int> WalkStatusFromOutput(std::string_view output);

// Swap request: mode, profile path, previous path. A "NULL" field, or one
// whose markers are missing, is absent. The mode reads like a C integer
// prefix ("NULL", a missing marker or no digits give 0; out of range clamps).
struct SwapRequest {
  int mode = 0;
  std::optional<std::string> profile;
  std::optional<std::string> prev;
};
SwapRequest ParseSwapRequest(std::string_view request);

// Write requests: the URL before ":AddURL:END" and everything after it.
// nullopt when the marker is missing.
struct WriteRequest {
  std::string_view url;
  std::string_view data;
};
std::optional<WriteRequest> ParseWriteRequest(std::string_view request);

// Walk request: model, user and the walk's elements (every piece between
// ":arg:" markers but the last). nullopt when a name marker is missing.
struct WalkRequest {
  std::string model;
  std::string user;
  std::vector<std::string> elements;
};
std::optional<WalkRequest> ParseWalkRequest(std::string_view request);

}  // namespace protocol
