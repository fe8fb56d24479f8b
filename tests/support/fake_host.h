// The print dialog's side of a panel, for tests and benchmarks that drive a
// pane without the host program: a print session on a PPD, the print settings
// and the page format the pane works on. What answers the pane's modal runs
// and where it observes notifications are the caller's to set.
#pragma once

#include <memory>
#include <string>

#include "host/plugin_api.h"

namespace testsupport {

class FakeHost : public pde::HostCallback {
 public:
  struct Options {
    std::string ppd;             // "" for the sample PPD
    std::string deviceUri;       // the printer's address, "" for none
    bool ppdPageFormat = false;  // the PPD's default paper, not an empty page format
    platform::ui::ModalHost* modal = nullptr;
    platform::NotificationCenter* notifications = nullptr;
  };

  // Opens the PPD as a print session; ok() says whether it could.
  FakeHost() : FakeHost(Options()) {}
  explicit FakeHost(const Options& options);
  // Works on a session the caller keeps (benchmarks open the PPD once).
  explicit FakeHost(platform::PrintSession* shared) : FakeHost(shared, Options()) {}
  FakeHost(platform::PrintSession* shared, const Options& options);

  bool ok() const { return session_ != nullptr; }
  // Why the PPD could not be opened.
  const std::string& error() const { return error_; }

  platform::PrintSettings* printSettings() override { return &settings; }
  platform::PrintSession* printSession() override { return session_; }
  platform::PageFormat* pageFormat() override { return &format; }
  ppd_file_t* ppdFile() override { return session_ != nullptr ? session_->ppd() : nullptr; }
  platform::ui::ModalHost* panelModalHost() override { return modal; }
  platform::NotificationCenter* notificationCenter() override { return notifications; }

  platform::PrintSettings settings;
  platform::PageFormat format;
  platform::ui::ModalHost* modal = nullptr;
  platform::NotificationCenter* notifications = nullptr;

 private:
  void Adopt(const Options& options);

  std::unique_ptr<platform::PrintSession> owned_;
  platform::PrintSession* session_ = nullptr;
  std::string error_;
};

}  // namespace testsupport
