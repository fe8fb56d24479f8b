// The eight request methods of the service.
//
// Each method answers through `reply` exactly once. Requests are untrusted:
// every path must name one of the caller's own files in the preference
// folder (own_files.h), reached only through the confined folder layer (the
// walk's merge too: confined_variant.h); a refused request answers "FALSE"
// (the swap: no action, "TRUE"), a walk refused here "iRet=1" (a walk vector
// the walk refuses: "iRet=-1"), and is logged. Chunked writes of different
// dialogs (Caller::dialog) are never mixed: a chunk of a write that another
// dialog's write has taken over, or a rename by a dialog whose write is not
// the one in progress, answers "FALSE". A step that fails is logged with its
// path and cause beside the reply, which stays as the protocol has it.
//
// File requests of all instances run one at a time (a process-wide lock).
// Walks run apart from them, one at a time: a walk never holds a file
// request longer than its merge's read and write of the profile file. A walk
// waits for the one before it at most kMaxWalkSeconds (then "iRet=1"), and
// ends at once, unmerged, when its caller hangs up (Caller::connection).
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <string_view>

#include "protocol/request.h"

namespace prefservice {

// Largest request string the service reads: the largest profile file the
// store reads, and a whole profile file is well under a tenth of it.
inline constexpr size_t kMaxRequestBytes = 8u << 20;
// Largest staging file the chunks may grow; larger appends are refused.
inline constexpr size_t kMaxStagingBytes = 16u << 20;
// Room for walk elements; a longer walk request is refused.
inline constexpr size_t kMaxWalkElements = 512;

// Who sent the request (from the connection's peer credentials). `dialog`
// tells apart the programs that run the bridge tool (its parent process): the
// chunks of one dialog's write are never mixed with another's.
struct Caller {
  uid_t uid = 0;
  std::string login;
  pid_t dialog = 0;
  // The caller's connection, watched for its hang-up while a walk waits or
  // runs; -1: none.
  int connection = -1;
};

// Whether `bytes` is one complete document of the profile file's shape: a
// <plist> root holding one <dict>, nothing after it. Parses in place (the
// bytes are scratch afterwards).
bool IsCompleteProfileDocument(std::string& bytes);

// The walk entry point: element count and vector (argv[0] is "snmpwalk");
// answers the walk status.
using WalkFunction = std::function<int(int argc, char** argv)>;
// Replaces the walk (tests); nullptr restores the built-in one. Returns the
// previous replacement.
WalkFunction SetWalkFunction(WalkFunction walk);

// Spelled as the design spells it (not a typo to fix).
class HVmacServiceXPC {
 public:
  using Reply = std::function<void(std::string_view reply)>;

  explicit HVmacServiceXPC(Caller caller) : caller_(std::move(caller)) {}

  void hvPListIsAdminProfile_XPC(std::string_view request, const Reply& reply);
  void hvPListSwapProfile_XPC(std::string_view request, const Reply& reply);
  void hvPListExistProfile_XPC(std::string_view request, const Reply& reply);
  void hvPListRemove_XPC(std::string_view request, const Reply& reply);
  void writeDictionaryToPlistFile_XPC(std::string_view request, const Reply& reply);
  void writeDataToPlistFile_XPC(std::string_view request, const Reply& reply);
  void writeDataToPlistFileRename_XPC(std::string_view request, const Reply& reply);
  void mibwalk_XPC(std::string_view request, const Reply& reply);

  // Runs the method (a file request under the process-wide lock) and
  // answers its reply.
  std::string Call(protocol::Method method, std::string_view request);

 private:
  Caller caller_;
};

}  // namespace prefservice
