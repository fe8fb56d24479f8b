#include "securitypane/ticket_model.h"

namespace securitypane {

namespace plist = platform::plist;

std::optional<std::string> ticketGetPrintQueueName(HVPDESession* session) {
  const platform::Printer* printer = nullptr;
  std::string id;
  if (platform::PMSessionGetCurrentPrinter(HVGetPMPrintSession(session), &printer) != platform::noErr ||
      platform::PMPrinterGetID(printer, &id) != platform::noErr)
    return std::nullopt;
  return id;
}

std::optional<plist::Dict> ticketGetModelDictionary(platform::PrintSettings* settings,
                                                    HVPDESession* session) {
  const std::optional<std::string> queue = ticketGetPrintQueueName(session);
  return ModelDictionaryForQueue(settings, settings ? platform::noErr : platform::kStatusMissing,
                                 PDECoreGetPPDProductNameArgument(session), queue ? &*queue : nullptr);
}

void ticketCFDictionaryMapToTicket(platform::PrintSettings* settings, const plist::Dict& dictionary) {
  for (const auto& [key, value] : dictionary)
    HVPrintSettingsSetItem(settings, kSettingsDomain, key, value, false);
}

void ticketCopyToRoot(platform::PrintSettings* settings, HVPDESession* session) {
  if (auto saved = ticketGetModelDictionary(settings, session))
    ticketCFDictionaryMapToTicket(settings, *saved);
}

void ticketGetPrintSettings(PaneControlTable* table, platform::PrintSettings* settings,
                            HVPDESession* session) {
  auto saved = ticketGetModelDictionary(settings, session);
  if (!saved) return;
  ForEachPaneRecord(table, [&](PaneControlRecord& r) {
    if (!r.settingsKey) return;
    auto it = saved->find(r.settingsKey);
    if (it != saved->end() && it->second.string()) r.value = *it->second.string();
  });
}

void ticketWritePrintSettings(PaneControlTable* table, platform::PrintSettings* settings,
                              HVPDESession* session) {
  auto saved = ticketGetModelDictionary(settings, session);
  const std::string* product = PDECoreGetPPDProductNameArgument(session);
  const std::optional<std::string> queue = ticketGetPrintQueueName(session);
  if (!saved || !product || !queue) return;
  ForEachPaneRecord(table, [&](PaneControlRecord& r) {
    if (r.settingsKey && r.value) (*saved)[r.settingsKey] = *r.value;
  });
  // The model dictionary is a value here: write the queue's entry back whole.
  plist::Value model = *HVPrintSettingsGetCFDictionary(settings, *product);
  (*model.dict())[*queue] = std::move(*saved);
  HVPrintSettingsSetItem(settings, kSettingsDomain, *product, model, false);
}

}  // namespace securitypane
