#include "prefservice/service_xpc.h"

#include <plist/plist.h>
#include <poll.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <pugixml.hpp>
#include <vector>

#include "platform/log.h"
#include "platform/paths.h"
#include "platform/utf8.h"
#include "prefservice/confined_variant.h"
#include "prefservice/own_files.h"
#include "profilestore/direct_variant.h"
#include "profilestore/profile_format.h"
#include "protocol/chunks.h"
#include "protocol/file_url.h"
#include "protocol/walk_args.h"

#ifdef VN_HAVE_PROFILEWALK
#include "profilewalk/mib_walk.h"
#include "profilewalk/walk_state.h"
#endif

namespace prefservice {
namespace {

using protocol::kReplyFalse;
using protocol::kReplyTrue;

// Status of a walk that could not open its session: what a refused walk, or
// one without the walk module, answers.
constexpr int kWalkNotRun = 1;

// File requests, and the walk's merge, one at a time.
std::mutex& FileMutex() {
  static std::mutex m;
  return m;
}

// Walks one at a time.
std::timed_mutex& WalkTurn() {
  static std::timed_mutex m;
  return m;
}

// Whether the caller's connection has been closed (not merely shut for
// sending, as the bridge tool does once its request is out).
bool HungUp(int connection) {
  if (connection < 0) return false;
  pollfd p{connection, 0, 0};
  return poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

// The walk's turn, waited for while the caller stays connected and at most
// as long as a whole walk before it takes; an unlocked lock when not had.
// At most this many walks wait for their turn; one more is refused at once.
constexpr int kMaxWaitingWalks = 4;

std::unique_lock<std::timed_mutex> TakeWalkTurn(int connection, const char** why) {
  static std::atomic<int> waiting{0};
  std::unique_lock<std::timed_mutex> turn(WalkTurn(), std::defer_lock);
  if (turn.try_lock()) return turn;
  if (++waiting > kMaxWaitingWalks) {
    --waiting;
    *why = "refused a walk: too many walks wait already";
    return turn;
  }
  struct Leave {
    std::atomic<int>& n;
    ~Leave() { --n; }
  } leave{waiting};
  auto until =
      std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                             std::chrono::duration<double>(protocol::kMaxWalkSeconds));
  while (!turn.try_lock_for(std::chrono::milliseconds(50))) {
    if (HungUp(connection)) {
      *why = "the caller hung up while its walk waited";
      return turn;
    }
    if (std::chrono::steady_clock::now() >= until) {
      *why = "the walk before it did not end in time";
      return turn;
    }
  }
  return turn;
}

// Logs why a request's step failed, beside its reply.
void LogFailure(const char* method, const std::string& error) {
  platform::log::Writef(LOG_WARNING, "prefservice: %s: %s", method, error.empty() ? "failed" : error.c_str());
}

std::mutex g_walk_fn_mutex;
WalkFunction& WalkOverride() {
  static auto* fn = new WalkFunction();
  return *fn;
}

// REQUIRES: the walk's turn held.
int RunWalk(int argc, char** argv, int connection) {
  WalkFunction fn;
  {
    std::lock_guard<std::mutex> lock(g_walk_fn_mutex);
    fn = WalkOverride();
  }
  if (fn) return fn(argc, argv);
#ifdef VN_HAVE_PROFILEWALK
  std::lock_guard<std::recursive_mutex> walk(profilewalk::WalkMutex());
  profilewalk::walk_hangup_fd = connection;
  int status = profilewalk::mib_walk(argc, argv);
  profilewalk::walk_hangup_fd = -1;
  return status;
#else
  (void)argc;
  (void)argv;
  (void)connection;
  return kWalkNotRun;
#endif
}

std::string Folder() {
  std::string folder = platform::paths::PreferenceFolder();
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

// The caller's own file named by a path, or nullopt (logged).
std::optional<OwnFile> OwnFileAt(std::string_view path, const Caller& caller, const char* method) {
  std::optional<OwnFile> file;
  if (platform::IsValidUtf8(path)) file = ClassifyOwnFile(path, Folder(), caller.login);
  if (!file) platform::log::Writef(LOG_WARNING, "prefservice: %s refused a path outside the caller's files", method);
  return file;
}

// The folder of the request, opened once for all its steps (logged when it
// cannot be). The first open in a process also clears what a killed
// predecessor left behind. REQUIRES: FileMutex() held.
std::optional<FolderHandle> OpenFolder(const Caller& caller, const char* method) {
  std::string error;
  std::optional<FolderHandle> dir = FolderHandle::Open(Folder(), &error);
  if (!dir) LogFailure(method, error);
  static std::string cleaned_for;
  if (dir && cleaned_for != caller.login) {
    dir->RemoveStaleTemporaries(caller.login);
    cleaned_for = caller.login;
  }
  return dir;
}

// The write a staging file currently collects: whose dialog, and the file's
// (unguessable) name. By profile file name; touched only under FileMutex().
struct Staging {
  pid_t dialog = 0;
  std::string name;
};
std::map<std::string, Staging>& StagingFiles() {
  static auto* files = new std::map<std::string, Staging>();
  return *files;
}

std::optional<OwnFile> OwnFileAtURL(std::string_view url, const Caller& caller, const char* method) {
  std::optional<std::string> path = protocol::PathFromFileURL(url);
  if (!path) {
    platform::log::Writef(LOG_WARNING, "prefservice: %s refused a URL that names no file", method);
    return std::nullopt;
  }
  return OwnFileAt(*path, caller, method);
}

// Exactly one element among `parent`'s children, and no text beside it; that
// element or an empty node.
pugi::xml_node OnlyElement(pugi::xml_node parent) {
  pugi::xml_node found;
  for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) return {};
    if (child.type() != pugi::node_element) continue;
    if (found) return {};
    found = child;
  }
  return found;
}

}  // namespace

// What the staging file must hold before it may replace the profile file:
// one well-formed document, nothing after it, whose root <plist> holds one
// <dict> and nothing else, as the profile file does. A file cut short
// anywhere fails. (A full parse into property-list nodes would check little
// more and cost several times as much: the dictionaries have 500 keys each.)
// Parses in place: `bytes` is scratch afterwards.
bool IsCompleteProfileDocument(std::string& bytes) {
  if (!platform::plist::WithinBounds(bytes, profilestore::kProfileLimits)) return false;
  // The parser keeps no text outside the root element: whatever follows it
  // must be white space, so the document ends with the root's end tag.
  std::string_view text = bytes;
  size_t end = text.find_last_not_of(" \t\r\n");
  if (end == std::string_view::npos || !text.substr(0, end + 1).ends_with("</plist>")) return false;
  pugi::xml_document doc;
  // parse_pi: a second declaration after the root is then a node, not skipped.
  if (!doc.load_buffer_inplace(bytes.data(), bytes.size(), pugi::parse_minimal | pugi::parse_pi)) return false;
  for (pugi::xml_node child = doc.first_child(); child; child = child.next_sibling())
    if (child.type() == pugi::node_pi && child != doc.first_child()) return false;
  pugi::xml_node root = OnlyElement(doc);
  if (!root || std::string_view(root.name()) != "plist") return false;
  pugi::xml_node value = OnlyElement(root);
  return value && std::string_view(value.name()) == "dict";
}

namespace {

// The serialised file always begins with the XML declaration, and no later
// chunk can (a '<' inside the document's text is escaped); so a chunk that
// begins with it starts a new write, and whatever a broken-off write left in
// the staging file is dropped.
bool StartsDocument(std::string_view chunk) { return chunk.substr(0, 5) == "<?xml"; }

}  // namespace

namespace {

// One step on the caller's own file that `path` names, in its opened folder:
// "TRUE" when it succeeded, else "FALSE" (a failed step logged with its cause).
std::string_view OnOwnFile(std::string_view path, const Caller& caller, const char* method,
                           bool (FolderHandle::*step)(const std::string&, std::string*)) {
  std::optional<OwnFile> file = OwnFileAt(path, caller, method);
  std::optional<FolderHandle> dir = file ? OpenFolder(caller, method) : std::nullopt;
  if (!dir) return kReplyFalse;
  std::string error;
  if (((*dir).*step)(file->name, &error)) return kReplyTrue;
  // A missing file is a plain answer, not a failure (the step leaves errno
  // as its failing call set it).
  if (errno != ENOENT) LogFailure(method, error);
  return kReplyFalse;
}

// The profile file itself that a file URL names (its previous copy and spool
// file are refused, logged), with its opened folder.
struct ProfileTarget {
  OwnFile file;
  FolderHandle dir;
};
std::optional<ProfileTarget> ProfileAtURL(std::string_view url, const Caller& caller, const char* method) {
  std::optional<OwnFile> file = OwnFileAtURL(url, caller, method);
  if (!file) return std::nullopt;
  if (file->kind != FileKind::kProfile) {
    platform::log::Writef(LOG_WARNING, "prefservice: %s refused a path that is not the profile file", method);
    return std::nullopt;
  }
  std::optional<FolderHandle> dir = OpenFolder(caller, method);
  if (!dir) return std::nullopt;
  return ProfileTarget{std::move(*file), std::move(*dir)};
}

}  // namespace

WalkFunction SetWalkFunction(WalkFunction walk) {
  std::lock_guard<std::mutex> lock(g_walk_fn_mutex);
  WalkFunction previous = std::move(WalkOverride());
  WalkOverride() = std::move(walk);
  return previous;
}

void HVmacServiceXPC::hvPListIsAdminProfile_XPC(std::string_view request, const Reply& reply) {
  reply(OnOwnFile(request, caller_, "hvPListIsAdminProfile_XPC", &FolderHandle::IsAdmin));
}

void HVmacServiceXPC::hvPListSwapProfile_XPC(std::string_view request, const Reply& reply) {
  constexpr const char* kMethod = "hvPListSwapProfile_XPC";
  protocol::SwapRequest swap = protocol::ParseSwapRequest(request);
  std::optional<OwnFile> profile, prev;
  if (swap.profile) profile = OwnFileAt(*swap.profile, caller_, kMethod);
  if (swap.prev) prev = OwnFileAt(*swap.prev, caller_, kMethod);
  // Only the profile file and its own previous copy; a refused path counts as absent.
  if (profile && profile->kind != FileKind::kProfile) profile.reset();
  if (prev && (prev->kind != FileKind::kPrev || (profile && prev->model != profile->model))) prev.reset();
  std::optional<FolderHandle> dir = OpenFolder(caller_, kMethod);
  std::string error;
  if (dir && !SwapOwnFiles(*dir, swap.mode, profile ? &profile->name : nullptr, prev ? &prev->name : nullptr,
                           &error))
    LogFailure(kMethod, error);
  reply(kReplyTrue);
}

void HVmacServiceXPC::hvPListExistProfile_XPC(std::string_view request, const Reply& reply) {
  reply(OnOwnFile(request, caller_, "hvPListExistProfile_XPC", &FolderHandle::Exists));
}

void HVmacServiceXPC::hvPListRemove_XPC(std::string_view request, const Reply& reply) {
  reply(OnOwnFile(request, caller_, "hvPListRemove_XPC", &FolderHandle::Remove));
}

void HVmacServiceXPC::writeDictionaryToPlistFile_XPC(std::string_view request, const Reply& reply) {
  constexpr const char* kMethod = "writeDictionaryToPlistFile_XPC";
  std::optional<protocol::WriteRequest> write = protocol::ParseWriteRequest(request);
  std::optional<ProfileTarget> target;
  if (write && platform::IsValidUtf8(write->data)) target = ProfileAtURL(write->url, caller_, kMethod);
  std::string error;
  bool ok = target && target->dir.Replace(target->file.name, write->data, &error);
  if (target && !ok) LogFailure(kMethod, error);
  reply(ok ? kReplyTrue : kReplyFalse);
}

void HVmacServiceXPC::writeDataToPlistFile_XPC(std::string_view request, const Reply& reply) {
  constexpr const char* kMethod = "writeDataToPlistFile_XPC";
  std::optional<protocol::WriteRequest> write = protocol::ParseWriteRequest(request);
  std::optional<ProfileTarget> target;
  if (write && platform::IsValidUtf8(write->data)) target = ProfileAtURL(write->url, caller_, kMethod);
  if (!target) return reply(kReplyFalse);
  auto& [file, dir] = *target;
  auto current = StagingFiles().find(file.name);
  // A chunk that begins a document, or the first one since the service
  // started, starts a write of this dialog in a new staging file; whatever an
  // earlier write left is dropped.
  bool fresh = StartsDocument(write->data) || current == StagingFiles().end();
  if (!fresh && current->second.dialog != caller_.dialog) {
    // Another dialog's write took the staging file over: this write can no
    // longer be completed whole.
    platform::log::Writef(LOG_WARNING, "prefservice: %s refused a chunk of a write taken over", kMethod);
    reply(kReplyFalse);
    return;
  }
  std::string error;
  bool ok;
  if (fresh) {
    // Atomic; flushed once, when it is moved over the profile file.
    std::string name;
    ok = write->data.size() <= kMaxStagingBytes &&
         dir.CreateUnique(StagingPrefix(file.name), write->data, &name, &error);
    if (write->data.size() > kMaxStagingBytes) error = "a chunk larger than the staging file may grow";
    if (current != StagingFiles().end()) dir.Unlink(current->second.name, nullptr);
    if (ok) StagingFiles()[file.name] = Staging{caller_.dialog, name};
  } else {
    ok = dir.Append(current->second.name, write->data, kMaxStagingBytes, &error);
  }
  if (!ok) {
    LogFailure(kMethod, error);
    if (!fresh) dir.Unlink(current->second.name, nullptr);
    StagingFiles().erase(file.name);
  }
  reply(ok ? kReplyTrue : kReplyFalse);
}

void HVmacServiceXPC::writeDataToPlistFileRename_XPC(std::string_view request, const Reply& reply) {
  constexpr const char* kMethod = "writeDataToPlistFileRename_XPC";
  std::optional<ProfileTarget> target = ProfileAtURL(request, caller_, kMethod);
  if (!target) return reply(kReplyFalse);
  auto& [file, dir] = *target;
  auto current = StagingFiles().find(file.name);
  if (current == StagingFiles().end() || current->second.dialog != caller_.dialog) {
    platform::log::Writef(LOG_WARNING, "prefservice: %s refused: no write of this dialog", kMethod);
    reply(kReplyFalse);
    return;
  }
  std::string staging = std::move(current->second.name);
  StagingFiles().erase(current);
  std::string content, error;
  if (!dir.Read(staging, &content, kMaxStagingBytes, &error)) {
    LogFailure(kMethod, error);
    dir.Unlink(staging, nullptr);
    reply(kReplyFalse);
    return;
  }
  if (!IsCompleteProfileDocument(content)) {
    // It can never become valid: the next write starts a new one.
    platform::log::Writef(LOG_WARNING, "prefservice: %s: %s is not a complete property list; not moved",
                          kMethod, dir.PathOf(staging).c_str());
    dir.Unlink(staging, nullptr);
    reply(kReplyFalse);
    return;
  }
  bool ok = dir.Rename(staging, file.name, &error);
  if (!ok) {
    LogFailure(kMethod, error);
    dir.Unlink(staging, nullptr);
  }
  reply(ok ? kReplyTrue : kReplyFalse);
}

void HVmacServiceXPC::mibwalk_XPC(std::string_view request, const Reply& reply) {
  constexpr const char* kMethod = "mibwalk_XPC";
  std::optional<protocol::WalkRequest> walk = protocol::ParseWalkRequest(request);
  int status = kWalkNotRun;
  const char* why = nullptr;
  std::unique_lock<std::timed_mutex> turn;
  if (!walk || !platform::IsValidUtf8(request)) {
    why = "refused a malformed request";
  } else if (walk->user != caller_.login || caller_.login.empty()) {
    why = "refused a walk for another user";
  } else if (!IsSafeModelName(walk->model)) {
    why = "refused a model name";
  } else if (walk->elements.size() >= kMaxWalkElements) {
    why = "refused more walk elements than fit";
  } else {
    turn = TakeWalkTurn(caller_.connection, &why);
  }
  if (turn.owns_lock()) {
    // The paths and globals stay as the walk left them, as the store expects.
    static profilestore::ProfilePaths paths;
    profilestore::FormProfilePaths(walk->user, walk->model, &paths);
    profilestore::SetProfilePathGlobals(&paths);
    std::optional<FolderHandle> dir = [&] {
      std::lock_guard<std::mutex> files(FileMutex());
      return OpenFolder(caller_, kMethod);
    }();
    if (!dir) {
      why = "cannot open the preference folder";
    } else {
      // The merge reaches the profile file only through the confined layer,
      // holding the file lock from its read to its write.
      ConfinedVariant confined(&*dir, Folder(), caller_.login, &FileMutex());
      ScopedFileVariant installed(&confined);
      std::vector<char*> argv(kMaxWalkElements, nullptr);
      for (size_t i = 0; i < walk->elements.size(); ++i) argv[i] = walk->elements[i].data();
      status = RunWalk(static_cast<int>(walk->elements.size()), argv.data(), caller_.connection);
    }
  }
  if (why != nullptr) platform::log::Writef(LOG_WARNING, "prefservice: %s %s", kMethod, why);
  reply(protocol::WalkReply(status));
  platform::log::Writef(LOG_ERR, "xpc - mibwalk_XPC - iRet=%d", status);
}

std::string HVmacServiceXPC::Call(protocol::Method method, std::string_view request) {
  std::string answer;
  Reply reply = [&answer](std::string_view r) { answer.assign(r); };
  if (method == protocol::Method::kMibWalk) {
    mibwalk_XPC(request, reply);
    return answer;
  }
  std::lock_guard<std::mutex> lock(FileMutex());
  switch (method) {
    case protocol::Method::kIsAdminProfile: hvPListIsAdminProfile_XPC(request, reply); break;
    case protocol::Method::kSwapProfile: hvPListSwapProfile_XPC(request, reply); break;
    case protocol::Method::kExistProfile: hvPListExistProfile_XPC(request, reply); break;
    case protocol::Method::kRemove: hvPListRemove_XPC(request, reply); break;
    case protocol::Method::kWriteDictionaryToPlistFile: writeDictionaryToPlistFile_XPC(request, reply); break;
    case protocol::Method::kWriteDataToPlistFile: writeDataToPlistFile_XPC(request, reply); break;
    case protocol::Method::kWriteDataToPlistFileRename: writeDataToPlistFileRename_XPC(request, reply); break;
    case protocol::Method::kMibWalk:
      break;
  }
  return answer;
}

}  // namespace prefservice
