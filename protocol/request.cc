#include "protocol/request.h"

#include <array>
#include <climits>
#include <cstdio>

#include "protocol/walk_args.h"

namespace protocol {
namespace {

constexpr std::array<std::string_view, kMethodCount> kNames = {
    "hvPListIsAdminProfile_XPC",      "hvPListSwapProfile_XPC",   "hvPListExistProfile_XPC",
    "hvPListRemove_XPC",              "writeDictionaryToPlistFile_XPC", "writeDataToPlistFile_XPC",
    "writeDataToPlistFileRename_XPC", "mibwalk_XPC",
};

// The tool compares in this order; the walk comes first.
constexpr std::array<Method, kMethodCount> kToolOrder = {
    Method::kMibWalk,      Method::kIsAdminProfile,       Method::kSwapProfile,
    Method::kExistProfile, Method::kRemove,               Method::kWriteDataToPlistFile,
    Method::kWriteDataToPlistFileRename, Method::kWriteDictionaryToPlistFile,
};

constexpr std::string_view kWalkReplyMarker = "mibwalk_XPC=iRet=";

// Like a C integer prefix read: optional blanks and sign, then digits; the
// value clamps at the int range.
int ReadInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

std::optional<std::string> PathField(std::string_view text, size_t begin, std::string_view end_marker) {
  if (begin == std::string_view::npos) return std::nullopt;
  size_t end = text.find(end_marker, begin);
  if (end == std::string_view::npos) return std::nullopt;
  std::string_view field = text.substr(begin, end - begin);
  if (field == kNullField) return std::nullopt;
  return std::string(field);
}

}  // namespace

std::string_view MethodName(Method method) { return kNames[static_cast<size_t>(method)]; }

std::optional<Method> MethodFromName(std::string_view name) {
  for (Method m : kToolOrder)
    if (MethodName(m) == name) return m;
  return std::nullopt;
}

std::string WalkReply(int status) { return "iRet=" + std::to_string(status); }

std::optional<std::string> BuildRequestString(Method method, const std::vector<std::string>& args) {
  auto need = [&](size_t n) { return args.size() >= n; };
  std::string out;
  switch (method) {
    case Method::kMibWalk:
      if (!need(2)) return std::nullopt;
      out.append(args[0]).append(kModelNameMarker).append(args[1]).append(kUserNameMarker);
      for (size_t i = 2; i < args.size(); ++i) out.append(args[i]).append(kArgMarker);
      return out;
    case Method::kSwapProfile:
      if (!need(3)) return std::nullopt;
      out.append(args[0]).append(kSwapTypeMarker).append(args[1]).append(kCurrentMarker);
      out.append(args[2]).append(kPrevMarker);
      return out;
    case Method::kIsAdminProfile:
    case Method::kExistProfile:
    case Method::kRemove:
    case Method::kWriteDataToPlistFileRename:
      if (!need(1)) return std::nullopt;
      return args[0];
    case Method::kWriteDataToPlistFile:
    case Method::kWriteDictionaryToPlistFile:
      if (!need(2)) return std::nullopt;
      out.reserve(args[0].size() + kAddURLMarker.size() + args[1].size());
      out.append(args[0]).append(kAddURLMarker).append(args[1]);
      return out;
  }
  return std::nullopt;
}

std::string ReplyLine(Method method, std::string_view reply) {
  std::string line(MethodName(method));
  line.append("=").append(reply).append("\n");
  return line;
}

bool OutputSaysTrue(std::string_view output, Method method) {
  std::string marker(MethodName(method));
  marker.append("=").append(kReplyTrue);
  return output.find(marker) != std::string_view::npos;
}

std::optional<int> WalkStatusFromOutput(std::string_view output) {
  size_t at = output.find(kWalkReplyMarker);
  if (at == std::string_view::npos) return std::nullopt;
  std::string_view rest = output.substr(at + kWalkReplyMarker.size());
  size_t digits = (!rest.empty() && (rest[0] == '-' || rest[0] == '+')) ? 1 : 0;
  if (digits >= rest.size() || rest[digits] < '0' || rest[digits] > '9') return std::nullopt;
  return ReadInt(rest);
}

SwapRequest ParseSwapRequest(std::string_view request) {
  SwapRequest out;
  size_t type_end = request.find(kSwapTypeMarker);
  if (type_end == std::string_view::npos) return out;  // no marker: mode 0, no paths
  out.mode = ReadInt(request.substr(0, type_end));
  size_t profile_begin = type_end + kSwapTypeMarker.size();
  out.profile = PathField(request, profile_begin, kCurrentMarker);
  size_t current_end = request.find(kCurrentMarker, profile_begin);
  if (current_end != std::string_view::npos)
    out.prev = PathField(request, current_end + kCurrentMarker.size(), kPrevMarker);
  return out;
}

std::optional<WriteRequest> ParseWriteRequest(std::string_view request) {
  size_t at = request.find(kAddURLMarker);
  if (at == std::string_view::npos) return std::nullopt;
  return WriteRequest{request.substr(0, at), request.substr(at + kAddURLMarker.size())};
}

std::optional<WalkRequest> ParseWalkRequest(std::string_view request) {
  size_t model_end = request.find(kModelNameMarker);
  if (model_end == std::string_view::npos) return std::nullopt;
  size_t user_begin = model_end + kModelNameMarker.size();
  size_t user_end = request.find(kUserNameMarker, user_begin);
  if (user_end == std::string_view::npos) return std::nullopt;
  WalkRequest out;
  out.model = std::string(request.substr(0, model_end));
  out.user = std::string(request.substr(user_begin, user_end - user_begin));
  std::string_view rest = request.substr(user_end + kUserNameMarker.size());
  // n pieces give n - 1 elements: the piece after the last marker is dropped.
  for (;;) {
    size_t at = rest.find(kArgMarker);
    if (at == std::string_view::npos) break;
    out.elements.emplace_back(rest.substr(0, at));
    rest.remove_prefix(at + kArgMarker.size());
  }
  return out;
}

int ReplyWaitSeconds(Method method) {
  // A walk may wait for the one before it, and each ends within its bound.
  constexpr int kWalkWait = static_cast<int>(2 * kMaxWalkSeconds) + 20;
  static_assert(kWalkWait == 180);
  return method == Method::kMibWalk ? kWalkWait : 10;
}

}  // namespace protocol
