#include "profilewalk/snmp_state.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <unistd.h>

#include <array>
#include <optional>

namespace profilewalk {
namespace {

struct Settings {
  std::array<int, NETSNMP_DS_MAX_SUBIDS> booleans{};
  std::array<int, NETSNMP_DS_MAX_SUBIDS> integers{};
  int debugging = 0;
  bool operator==(const Settings&) const = default;
};

Settings Current() {
  Settings s;
  for (int i = 0; i < NETSNMP_DS_MAX_SUBIDS; ++i) {
    s.booleans[i] = netsnmp_ds_get_boolean(NETSNMP_DS_LIBRARY_ID, i);
    s.integers[i] = netsnmp_ds_get_int(NETSNMP_DS_LIBRARY_ID, i);
  }
  s.debugging = snmp_get_do_debugging();
  return s;
}

std::optional<Settings>& Noted() {
  static std::optional<Settings> noted;
  return noted;
}

// The parser runs getopt, whose hidden position (the rest of a bundle such as
// "-Os") points into the vector of the request it last read; a parse that
// stops early leaves it there, and the next request's parse would read that
// request's freed memory. Setting optind to 0 makes the next getopt start
// afresh; one run on a vector of our own does that now.
void ResetGetopt() {
  static char name[] = "snmpwalk";
  static char* const vector[] = {name, nullptr};
  optind = 0;
  int saved = opterr;
  opterr = 0;
  while (getopt(1, vector, "") != -1) {
  }
  opterr = saved;
  optind = 1;
}

}  // namespace

void ResetNetSnmpState() {
  ResetGetopt();
  std::optional<Settings>& noted = Noted();
  if (!noted) {
    // The parser would initialise the library on its first run, after the
    // first walk's options were applied; do it before, so the noted settings
    // are the configured ones and none of a request.
    init_snmp("snmpapp");
    noted = Current();
    return;
  }
  for (int i = 0; i < NETSNMP_DS_MAX_SUBIDS; ++i) {
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, i, noted->booleans[i]);
    netsnmp_ds_set_int(NETSNMP_DS_LIBRARY_ID, i, noted->integers[i]);
  }
  snmp_set_do_debugging(noted->debugging);
}

bool NetSnmpStateIsPristine() { return !Noted() || Current() == *Noted(); }

}  // namespace profilewalk
