#include "gui/destinations.h"

#include <cups/cups.h>

#include <algorithm>
#include <cstring>

namespace gui {

namespace {

void FromOptions(const cups_dest_t* dest, Destination* d) {
  auto option = [&](const char* name) -> std::string {
    const char* v = cupsGetOption(name, dest->num_options, dest->options);
    return v ? v : "";
  };
  d->name = dest->name;
  if (dest->instance) d->name += std::string("/") + dest->instance;
  d->isDefault = dest->is_default != 0;
  d->location = option("printer-location");
  d->info = option("printer-info");
  if (std::string state = option("printer-state"); !state.empty()) d->state = std::atoi(state.c_str());
  d->accepting = option("printer-is-accepting-jobs") != "false";
}

}  // namespace

std::vector<Destination> ListDestinations() {
  std::vector<Destination> out;
  cupsEnumDests(
      CUPS_DEST_FLAGS_NONE, 1000, nullptr, 0, CUPS_PRINTER_DISCOVERED,
      [](void* data, unsigned flags, cups_dest_t* dest) -> int {
        if (!(flags & CUPS_DEST_FLAGS_REMOVED)) {
          Destination d;
          FromOptions(dest, &d);
          static_cast<std::vector<Destination>*>(data)->push_back(std::move(d));
        }
        return 1;
      },
      &out);
  std::sort(out.begin(), out.end(),
            [](const Destination& a, const Destination& b) { return a.name < b.name; });
  out.erase(std::unique(out.begin(), out.end(), [](auto& a, auto& b) { return a.name == b.name; }),
            out.end());
  return out;
}

Destination ReadDestination(const std::string& name) {
  Destination d;
  d.name = name;
  size_t slash = name.find('/');
  std::string queue = name.substr(0, slash);
  if (cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.c_str(),
                                           slash == std::string::npos ? nullptr : name.c_str() + slash + 1)) {
    FromOptions(dest, &d);
    cupsFreeDests(1, dest);
  }
  // The state and its message afresh: the destination list does not carry the message.
  ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  char uri[1024];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s",
                   queue.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  static const char* const kWanted[] = {"printer-state", "printer-state-message",
                                        "printer-is-accepting-jobs"};
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr, kWanted);
  ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
  if (ipp_attribute_t* a = ippFindAttribute(response, "printer-state", IPP_TAG_ENUM))
    d.state = ippGetInteger(a, 0);
  if (ipp_attribute_t* a = ippFindAttribute(response, "printer-state-message", IPP_TAG_TEXT))
    d.stateMessage = ippGetString(a, 0, nullptr) ? ippGetString(a, 0, nullptr) : "";
  if (ipp_attribute_t* a = ippFindAttribute(response, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN))
    d.accepting = ippGetBoolean(a, 0) != 0;
  ippDelete(response);
  return d;
}

}  // namespace gui
