// Helpers shared by the walk tests: spool rows, variables and lists.
#pragma once

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "profile_lists.h"
#include "profilestore/profile_list.h"
#include "profilewalk/spool.h"

namespace profilewalk::testing {

using testsupport::HVProfileItem;
using testsupport::HVProfileList;
using testsupport::NewList;
using testsupport::PutItem;
using testsupport::SetText;

// Spool row `row` (1-based, like the printer's numbering), counted.
inline void SpoolRow(int row, const std::string& file, int32_t location, int32_t klass) {
  HVProfileItem& item = PlistForSpool.litem[row - 1];
  item.iIndexOnDevice = row;
  item.iLocation = location;
  item.iProfileClass = klass;
  SetText(item.FileName, file);
  SetText(item.ProfileName, "name of " + file);
  ++PlistForSpool.iNum;
}

// An OID under the profile table: root + the given sub-identifiers.
inline std::vector<oid> TableOid(std::initializer_list<oid> tail) {
  std::vector<oid> name(kProfileTableOid, kProfileTableOid + kProfileTableOidLength);
  name.insert(name.end(), tail);
  return name;
}

// One variable of the given type and raw value; freed with the holder.
class Variable {
 public:
  Variable(const std::vector<oid>& name, u_char type, const void* value, size_t length) {
    snmp_varlist_add_variable(&var_, name.data(), name.size(), type, value, length);
  }
  static Variable Integer(const std::vector<oid>& name, long value) {
    return Variable(name, ASN_INTEGER, &value, sizeof value);
  }
  static Variable String(const std::vector<oid>& name, const std::string& value) {
    return Variable(name, ASN_OCTET_STR, value.data(), value.size());
  }
  Variable(Variable&& other) noexcept : var_(other.var_) { other.var_ = nullptr; }
  Variable(const Variable&) = delete;
  ~Variable() {
    if (var_ != nullptr) snmp_free_varbind(var_);
  }
  const netsnmp_variable_list* get() const { return var_; }
  void Spool() const { vSpoolPlist(var_->name, var_->name_length, var_, 0); }

 private:
  netsnmp_variable_list* var_ = nullptr;
};

}  // namespace profilewalk::testing
