#include "profilewalk/mib_walk.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/log.h"
#include "profilestore/profile_list.h"
#include "profilewalk/exchange.h"
#include "profilewalk/merge.h"
#include "profilewalk/snmp_state.h"
#include "profilewalk/spool.h"
#include "profilewalk/walk_state.h"
#include "protocol/walk_args.h"

namespace profilewalk {

int numprinted = 0;
int walk_request_limit = 20000;
double walk_seconds_limit = protocol::kWalkRequestSeconds;
double walk_last_request_seconds = protocol::kMaxWalkRequestSeconds;
int walk_hangup_fd = -1;
char sDEBUGmsg[kDebugMessageSize];

namespace {

constexpr const char* kAppName = "snmpwalk";
// Default root when the vector names none: mib-2.
constexpr oid objid_mib[] = {1, 3, 6, 1, 2, 1};

void RegisterBooleans() {
  static std::once_flag once;
  std::call_once(once, [] {
    netsnmp_ds_register_config(ASN_BOOLEAN, kAppName, "includeRequested", NETSNMP_DS_APPLICATION_ID,
                               NETSNMP_DS_WALK_INCLUDE_REQUESTED);
    netsnmp_ds_register_config(ASN_BOOLEAN, kAppName, "printStatistics", NETSNMP_DS_APPLICATION_ID,
                               NETSNMP_DS_WALK_PRINT_STATISTICS);
    netsnmp_ds_register_config(ASN_BOOLEAN, kAppName, "dontCheckOrdering", NETSNMP_DS_APPLICATION_ID,
                               NETSNMP_DS_WALK_DONT_CHECK_LEXICOGRAPHIC);
  });
  // Every walk starts from false: the store outlives the walk in the service,
  // and -C toggles rather than sets.
  netsnmp_ds_set_boolean(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_WALK_INCLUDE_REQUESTED, 0);
  netsnmp_ds_set_boolean(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_WALK_PRINT_STATISTICS, 0);
  netsnmp_ds_set_boolean(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_WALK_DONT_CHECK_LEXICOGRAPHIC, 0);
}

bool AppBoolean(int which) { return netsnmp_ds_get_boolean(NETSNMP_DS_APPLICATION_ID, which) != 0; }

std::string Dotted(const oid* name, size_t length) {
  std::string text;
  for (size_t i = 0; i < length; ++i) {
    text += '.';
    text += std::to_string(name[i]);
  }
  return text;
}

bool IsException(u_char type) {
  return type == SNMP_NOSUCHOBJECT || type == SNMP_NOSUCHINSTANCE || type == SNMP_ENDOFMIBVIEW;
}

// The parser hands a "-c" community out as its own copy that nothing frees;
// a long-lived service would lose one per walk. A community taken from the
// library's defaults or pointing into the vector is not ours to free.
class CommunityCopy {
 public:
  CommunityCopy(netsnmp_session* session, int argc, char** argv) {
    u_char* community = session->community;
    if (community == nullptr) return;
    const char* fallback = netsnmp_ds_get_string(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_COMMUNITY);
    if (reinterpret_cast<const char*>(community) == fallback) return;
    for (int i = 0; i < argc; ++i) {
      if (argv[i] == nullptr) continue;
      const char* begin = argv[i];
      const char* end = begin + std::strlen(begin);
      const auto* text = reinterpret_cast<const char*>(community);
      if (std::less_equal<const char*>()(begin, text) && std::less_equal<const char*>()(text, end)) return;
    }
    owned_ = community;
  }
  ~CommunityCopy() { std::free(owned_); }
  CommunityCopy(const CommunityCopy&) = delete;
  CommunityCopy& operator=(const CommunityCopy&) = delete;

 private:
  u_char* owned_ = nullptr;
};

// The bounds of the walk in progress: every request of it, the extra GETs
// included, ends by the deadline and when the caller hangs up.
ExchangeBounds g_bounds;
// How the last exchange ended.
ExchangeEnd g_last_end = ExchangeEnd::kOther;

int Exchange(netsnmp_session* session, netsnmp_pdu* pdu, netsnmp_pdu** response) {
  return BoundedSynchResponse(session, pdu, response, g_bounds, &g_last_end);
}

int MergeAndReturn(int merge_status, int result) {
  // Nothing a request's options changed outlives the request.
  ResetNetSnmpState();
  vRestructPlistSpool2Current(merge_status);
  return result;
}

}  // namespace

std::recursive_mutex& WalkMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

void optProc(int, char* const*, int opt) {
  if (opt != 'C' || optarg == nullptr) return;
  for (const char* letter = optarg; *letter != '\0'; ++letter) {
    switch (*letter) {
      case 'i':
        netsnmp_ds_toggle_boolean(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_WALK_INCLUDE_REQUESTED);
        break;
      case 'p':
        netsnmp_ds_toggle_boolean(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_WALK_PRINT_STATISTICS);
        break;
      case 'c':
        netsnmp_ds_toggle_boolean(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_WALK_DONT_CHECK_LEXICOGRAPHIC);
        break;
      default:
        std::snprintf(sDEBUGmsg, sizeof sDEBUGmsg, "Unknown flag passed to -C: %c\n", *letter);
        break;
    }
  }
}

void snmp_get_and_print(netsnmp_session* session, const oid* name, size_t name_length) {
  netsnmp_pdu* pdu = snmp_pdu_create(SNMP_MSG_GET);
  if (pdu == nullptr) return;
  snmp_add_null_var(pdu, name, name_length);
  netsnmp_pdu* response = nullptr;
  int status = Exchange(session, pdu, &response);
  if (status == STAT_SUCCESS && response != nullptr && response->errstat == SNMP_ERR_NOERROR) {
    for (netsnmp_variable_list* vars = response->variables; vars != nullptr; vars = vars->next_variable) {
      ++numprinted;
      print_variable(vars->name, vars->name_length, vars);
    }
  }
  if (response != nullptr) snmp_free_pdu(response);
}

int mib_walk(int argc, char** argv) {
  std::lock_guard<std::recursive_mutex> lock(WalkMutex());
  const auto start = std::chrono::steady_clock::now();
  g_bounds.hangup_fd = walk_hangup_fd;
  g_bounds.deadline =
      start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                  std::chrono::duration<double>(walk_seconds_limit + walk_last_request_seconds));
  g_last_end = ExchangeEnd::kOther;

  RegisterBooleans();
  vSpoolPlist(nullptr, 0, nullptr, 1);
  numprinted = 0;

  // No program name means no vector the parser could read safely (it looks
  // at the element after the options even when there is none).
  if (argc < 1 || argv == nullptr) return MergeAndReturn(1, NETSNMP_PARSE_ARGS_ERROR_USAGE);
  // Only what the walk needs reaches the library's parser.
  int agent = -1;
  if (std::optional<std::string> why = protocol::RefuseWalkArguments(argc, argv, &agent)) {
    std::snprintf(sDEBUGmsg, sizeof sDEBUGmsg, "[UTIL-MIB] refused: %s", why->c_str());
    platform::log::Writef(LOG_WARNING, "prefservice: walk refused: %s", why->c_str());
    return MergeAndReturn(1, NETSNMP_PARSE_ARGS_ERROR_USAGE);
  }
  ResetNetSnmpState();
  // The agent goes to the library as UDP over IPv4, spelled so that nothing
  // in it can be read as another transport.
  std::vector<char*> args(argv, argv + argc);
  args.push_back(nullptr);
  std::string udp_agent;
  if (agent >= 0) {
    udp_agent = protocol::UdpAgent(argv[agent]);
    args[agent] = udp_agent.data();
  }
  argv = args.data();

  netsnmp_session session;
  int arg = snmp_parse_args(argc, argv, &session, "C:", optProc);
  if (arg == NETSNMP_PARSE_ARGS_ERROR_USAGE || arg == NETSNMP_PARSE_ARGS_SUCCESS_EXIT)
    return MergeAndReturn(1, arg);
  // NETSNMP_PARSE_ARGS_ERROR (-3) and anything else negative would otherwise
  // be taken as the index of the root argument.
  if (arg < 0 || arg > argc) return MergeAndReturn(1, NETSNMP_PARSE_ARGS_ERROR_USAGE);
  CommunityCopy community(&session, argc, argv);

  oid root[MAX_OID_LEN];
  size_t rootlen = MAX_OID_LEN;
  if (arg < argc) {
    if (snmp_parse_oid(argv[arg], root, &rootlen) == nullptr) {
      snmp_perror(argv[arg]);
      return MergeAndReturn(1, 1);
    }
  } else {
    rootlen = sizeof(objid_mib) / sizeof(objid_mib[0]);
    std::copy(objid_mib, objid_mib + rootlen, root);
  }

  netsnmp_session* ss = snmp_open(&session);
  if (ss == nullptr) {
    profilestore::MyDebugMessage("[UTIL-MIB] SNMP Open Err\n", 0);
    snmp_sess_perror(kAppName, &session);
    return MergeAndReturn(1, 1);
  }

  // A caller that hung up wants no answer: the walk ends at once, and the
  // profile file stays as the last finished walk left it.
  auto hung_up = [&] {
    if (g_last_end != ExchangeEnd::kHangUp) return false;
    snmp_close(ss);
    std::snprintf(sDEBUGmsg, sizeof sDEBUGmsg, "[SNMP] walk ended: the caller hung up");
    ResetNetSnmpState();
    return true;
  };

  oid name[MAX_OID_LEN];
  size_t name_length = rootlen;
  std::copy(root, root + rootlen, name);
  const bool check = !AppBoolean(NETSNMP_DS_WALK_DONT_CHECK_LEXICOGRAPHIC);
  if (AppBoolean(NETSNMP_DS_WALK_INCLUDE_REQUESTED)) snmp_get_and_print(ss, root, rootlen);
  if (hung_up()) return 1;

  bool running = true;
  bool answered = false;
  int exitval = 0;
  int round_trips = 0;
  // No request starts after this; the one in flight ends by g_bounds.deadline.
  const auto last_start = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                      std::chrono::duration<double>(walk_seconds_limit));
  while (running) {
    netsnmp_pdu* pdu = snmp_pdu_create(SNMP_MSG_GETNEXT);
    if (pdu == nullptr) {
      exitval = 1;
      break;
    }
    snmp_add_null_var(pdu, name, name_length);
    netsnmp_pdu* response = nullptr;
    const int status = Exchange(ss, pdu, &response);
    answered = status == STAT_SUCCESS && response != nullptr;
    if (answered) {
      if (response->errstat == SNMP_ERR_NOERROR) {
        for (netsnmp_variable_list* vars = response->variables; vars != nullptr; vars = vars->next_variable) {
          if (vars->name == nullptr || vars->name_length < rootlen ||
              !std::equal(root, root + rootlen, vars->name)) {
            running = false;  // left the subtree
            continue;
          }
          ++numprinted;
          vSpoolPlist(vars->name, vars->name_length, vars, 0);
          if (IsException(vars->type)) {
            running = false;
            continue;
          }
          const size_t length = std::min<size_t>(vars->name_length, MAX_OID_LEN);
          if (check && snmp_oid_compare(name, name_length, vars->name, length) >= 0) {
            std::snprintf(sDEBUGmsg, sizeof sDEBUGmsg, "[SNMP] Error: OID not increasing: %s >= %s",
                          Dotted(name, name_length).c_str(), Dotted(vars->name, length).c_str());
            exitval = 1;
            running = false;
          }
          std::copy(vars->name, vars->name + length, name);
          name_length = length;
        }
      } else if (response->errstat == SNMP_ERR_NOSUCHNAME) {
        running = false;  // end of the table in SNMPv1
      } else {
        exitval = 2;
        running = false;
      }
    } else if (status == STAT_TIMEOUT) {
      exitval = 1;
      running = false;
    } else if (g_last_end == ExchangeEnd::kHangUp) {
      exitval = 1;
      running = false;
    } else {
      snmp_sess_perror(kAppName, ss);
      exitval = 1;
      running = false;
    }
    if (response != nullptr) snmp_free_pdu(response);
    if (running && ++round_trips >= walk_request_limit) {
      std::snprintf(sDEBUGmsg, sizeof sDEBUGmsg, "[SNMP] Error: walk stopped after %d requests", round_trips);
      exitval = 1;
      running = false;
    }
    if (running && std::chrono::steady_clock::now() >= last_start) {
      std::snprintf(sDEBUGmsg, sizeof sDEBUGmsg, "[SNMP] Error: walk stopped after %.0f s", walk_seconds_limit);
      exitval = 1;
      running = false;
    }
  }

  if (hung_up()) return 1;
  if (answered && numprinted == 0) snmp_get_and_print(ss, root, rootlen);
  if (hung_up()) return 1;
  snmp_close(ss);
  if (AppBoolean(NETSNMP_DS_WALK_PRINT_STATISTICS))
    profilestore::MyDebugMessage("[UTIL-MIB] Variables found: ", numprinted);

  return MergeAndReturn(exitval, exitval);
}

}  // namespace profilewalk
