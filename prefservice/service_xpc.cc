#include "prefservice/service_xpc.h"

#include <plist/plist.h>
#include <pugixml.hpp>

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/log.h"
#include "platform/paths.h"
#include "prefservice/confined_variant.h"
#include "prefservice/own_files.h"
#include "profilestore/direct_variant.h"
#include "profilestore/profile_format.h"
#include "protocol/chunks.h"
#include "protocol/file_url.h"

#ifdef VN_HAVE_PROFILEWALK
#include "profilewalk/mib_walk.h"
#endif

namespace prefservice {
namespace {

using protocol::kReplyFalse;
using protocol::kReplyTrue;

// Status of a walk that could not open its session: what a refused walk, or
// one without the walk module, answers.
constexpr int kWalkNotRun = 1;

std::mutex& ServiceMutex() {
  static std::mutex m;
  return m;
}

std::mutex g_walk_fn_mutex;
WalkFunction& WalkOverride() {
  static auto* fn = new WalkFunction();
  return *fn;
}

int RunWalk(int argc, char** argv) {
  WalkFunction fn;
  {
    std::lock_guard<std::mutex> lock(g_walk_fn_mutex);
    fn = WalkOverride();
  }
  if (fn) return fn(argc, argv);
#ifdef VN_HAVE_PROFILEWALK
  return profilewalk::mib_walk(argc, argv);
#else
  (void)argc;
  (void)argv;
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
  if (protocol::IsValidUTF8(path)) file = ClassifyOwnFile(path, Folder(), caller.login);
  if (!file) platform::log::Writef(LOG_WARNING, "prefservice: %s refused a path outside the caller's files", method);
  return file;
}

// The folder of the request, opened once for all its steps. The first open
// in a process also clears what a killed predecessor left behind.
std::optional<FolderHandle> OpenFolder(const Caller& caller) {
  std::optional<FolderHandle> dir = FolderHandle::Open(Folder());
  static std::string cleaned_for;
  if (dir && cleaned_for != caller.login) {
    dir->RemoveStaleTemporaries(caller.login);
    cleaned_for = caller.login;
  }
  return dir;
}

// Which dialog's write each staging file currently collects (by staging
// name). Touched only under the service mutex.
std::map<std::string, pid_t>& StagingOwners() {
  static auto* owners = new std::map<std::string, pid_t>();
  return *owners;
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

WalkFunction SetWalkFunction(WalkFunction walk) {
  std::lock_guard<std::mutex> lock(g_walk_fn_mutex);
  WalkFunction previous = std::move(WalkOverride());
  WalkOverride() = std::move(walk);
  return previous;
}

void HVmacServiceXPC::hvPListIsAdminProfile_XPC(std::string_view request, const Reply& reply) {
  std::optional<OwnFile> file = OwnFileAt(request, caller_, "hvPListIsAdminProfile_XPC");
  std::optional<FolderHandle> dir = file ? OpenFolder(caller_) : std::nullopt;
  reply(dir && dir->IsAdmin(file->name) ? kReplyTrue : kReplyFalse);
}

void HVmacServiceXPC::hvPListSwapProfile_XPC(std::string_view request, const Reply& reply) {
  protocol::SwapRequest swap = protocol::ParseSwapRequest(request);
  std::optional<OwnFile> profile, prev;
  if (swap.profile) profile = OwnFileAt(*swap.profile, caller_, "hvPListSwapProfile_XPC");
  if (swap.prev) prev = OwnFileAt(*swap.prev, caller_, "hvPListSwapProfile_XPC");
  // Only the profile file and its own previous copy; a refused path counts as absent.
  if (profile && profile->kind != FileKind::kProfile) profile.reset();
  if (prev && (prev->kind != FileKind::kPrev || (profile && prev->model != profile->model))) prev.reset();
  std::optional<FolderHandle> dir = OpenFolder(caller_);
  if (dir) SwapOwnFiles(*dir, swap.mode, profile ? &profile->name : nullptr, prev ? &prev->name : nullptr);
  reply(kReplyTrue);
}

void HVmacServiceXPC::hvPListExistProfile_XPC(std::string_view request, const Reply& reply) {
  std::optional<OwnFile> file = OwnFileAt(request, caller_, "hvPListExistProfile_XPC");
  std::optional<FolderHandle> dir = file ? OpenFolder(caller_) : std::nullopt;
  reply(dir && dir->Exists(file->name) ? kReplyTrue : kReplyFalse);
}

void HVmacServiceXPC::hvPListRemove_XPC(std::string_view request, const Reply& reply) {
  std::optional<OwnFile> file = OwnFileAt(request, caller_, "hvPListRemove_XPC");
  std::optional<FolderHandle> dir = file ? OpenFolder(caller_) : std::nullopt;
  reply(dir && dir->Remove(file->name) ? kReplyTrue : kReplyFalse);
}

void HVmacServiceXPC::writeDictionaryToPlistFile_XPC(std::string_view request, const Reply& reply) {
  std::optional<protocol::WriteRequest> write = protocol::ParseWriteRequest(request);
  std::optional<OwnFile> file;
  if (write && protocol::IsValidUTF8(write->data))
    file = OwnFileAtURL(write->url, caller_, "writeDictionaryToPlistFile_XPC");
  if (file && file->kind != FileKind::kProfile) file.reset();
  std::optional<FolderHandle> dir = file ? OpenFolder(caller_) : std::nullopt;
  reply(dir && dir->Replace(file->name, write->data) ? kReplyTrue : kReplyFalse);
}

void HVmacServiceXPC::writeDataToPlistFile_XPC(std::string_view request, const Reply& reply) {
  std::optional<protocol::WriteRequest> write = protocol::ParseWriteRequest(request);
  std::optional<OwnFile> file;
  if (write && protocol::IsValidUTF8(write->data))
    file = OwnFileAtURL(write->url, caller_, "writeDataToPlistFile_XPC");
  if (file && file->kind != FileKind::kProfile) file.reset();
  std::optional<FolderHandle> dir = file ? OpenFolder(caller_) : std::nullopt;
  if (!dir) {
    reply(kReplyFalse);
    return;
  }
  // Atomic; flushed once, when it is moved over the profile file.
  std::string staging = StagingName(file->name);
  auto owner = StagingOwners().find(staging);
  // A chunk that begins a document, or the first one since the service
  // started, starts a write of this dialog; whatever an earlier write left is
  // dropped.
  bool fresh = StartsDocument(write->data) || owner == StagingOwners().end();
  if (!fresh && owner->second != caller_.dialog) {
    // Another dialog's write took the staging file over: this write can no
    // longer be completed whole.
    platform::log::Write(LOG_WARNING, "prefservice: writeDataToPlistFile_XPC refused a chunk of a write taken over");
    reply(kReplyFalse);
    return;
  }
  bool ok = dir->Append(staging, write->data, kMaxStagingBytes, fresh);
  if (ok) {
    StagingOwners()[staging] = caller_.dialog;
  } else {
    StagingOwners().erase(staging);
  }
  reply(ok ? kReplyTrue : kReplyFalse);
}

void HVmacServiceXPC::writeDataToPlistFileRename_XPC(std::string_view request, const Reply& reply) {
  std::optional<OwnFile> file = OwnFileAtURL(request, caller_, "writeDataToPlistFileRename_XPC");
  if (file && file->kind != FileKind::kProfile) file.reset();
  std::optional<FolderHandle> dir = file ? OpenFolder(caller_) : std::nullopt;
  if (!dir) {
    reply(kReplyFalse);
    return;
  }
  std::string staging = StagingName(file->name);
  auto owner = StagingOwners().find(staging);
  if (owner == StagingOwners().end() || owner->second != caller_.dialog) {
    platform::log::Write(LOG_WARNING, "prefservice: writeDataToPlistFileRename_XPC refused: no write of this dialog");
    reply(kReplyFalse);
    return;
  }
  StagingOwners().erase(owner);
  std::string content;
  if (!dir->Read(staging, &content, kMaxStagingBytes)) {
    reply(kReplyFalse);
    return;
  }
  if (!IsCompleteProfileDocument(content)) {
    // It can never become valid: the next write starts a new one.
    platform::log::Write(LOG_WARNING, "prefservice: staging file is not a complete property list; not moved");
    dir->Unlink(staging);
    reply(kReplyFalse);
    return;
  }
  reply(dir->Rename(staging, file->name) ? kReplyTrue : kReplyFalse);
}

void HVmacServiceXPC::mibwalk_XPC(std::string_view request, const Reply& reply) {
  std::optional<protocol::WalkRequest> walk = protocol::ParseWalkRequest(request);
  int status = kWalkNotRun;
  if (!walk || !protocol::IsValidUTF8(request)) {
    platform::log::Write(LOG_WARNING, "prefservice: mibwalk_XPC refused a malformed request");
  } else if (walk->user != caller_.login || caller_.login.empty()) {
    platform::log::Write(LOG_WARNING, "prefservice: mibwalk_XPC refused a walk for another user");
  } else if (!IsSafeModelName(walk->model)) {
    platform::log::Write(LOG_WARNING, "prefservice: mibwalk_XPC refused a model name");
  } else if (walk->elements.size() >= kMaxWalkElements) {
    platform::log::Write(LOG_WARNING, "prefservice: mibwalk_XPC refused more walk elements than fit");
  } else {
    // The paths and globals stay as the walk left them, as the store expects.
    static profilestore::ProfilePaths paths;
    profilestore::FormProfilePaths(walk->user, walk->model, &paths);
    profilestore::SetProfilePathGlobals(&paths);
    std::optional<FolderHandle> dir = OpenFolder(caller_);
    if (!dir) {
      platform::log::Write(LOG_WARNING, "prefservice: mibwalk_XPC cannot open the preference folder");
    } else {
      // The merge reaches the profile file only through the confined layer.
      ConfinedVariant confined(&*dir, Folder(), caller_.login);
      ScopedFileVariant installed(&confined);
      std::vector<char*> argv(kMaxWalkElements, nullptr);
      for (size_t i = 0; i < walk->elements.size(); ++i) argv[i] = walk->elements[i].data();
      status = RunWalk(static_cast<int>(walk->elements.size()), argv.data());
    }
  }
  reply(protocol::WalkReply(status));
  platform::log::Writef(LOG_ERR, "xpc - mibwalk_XPC - iRet=%d", status);
}

std::string HVmacServiceXPC::Call(protocol::Method method, std::string_view request) {
  std::string answer;
  Reply reply = [&answer](std::string_view r) { answer.assign(r); };
  std::lock_guard<std::mutex> lock(ServiceMutex());
  switch (method) {
    case protocol::Method::kIsAdminProfile: hvPListIsAdminProfile_XPC(request, reply); break;
    case protocol::Method::kSwapProfile: hvPListSwapProfile_XPC(request, reply); break;
    case protocol::Method::kExistProfile: hvPListExistProfile_XPC(request, reply); break;
    case protocol::Method::kRemove: hvPListRemove_XPC(request, reply); break;
    case protocol::Method::kWriteDictionaryToPlistFile: writeDictionaryToPlistFile_XPC(request, reply); break;
    case protocol::Method::kWriteDataToPlistFile: writeDataToPlistFile_XPC(request, reply); break;
    case protocol::Method::kWriteDataToPlistFileRename: writeDataToPlistFileRename_XPC(request, reply); break;
    case protocol::Method::kMibWalk: mibwalk_XPC(request, reply); break;
  }
  return answer;
}

}  // namespace prefservice
