#include "fake_host.h"

#include "samples.h"

namespace testsupport {

FakeHost::FakeHost(const Options& options) {
  owned_ = platform::PrintSession::FromPpdFile(options.ppd.empty() ? SamplePpd() : options.ppd,
                                               options.deviceUri, &error_);
  session_ = owned_.get();
  Adopt(options);
}

FakeHost::FakeHost(platform::PrintSession* shared, const Options& options) : session_(shared) {
  Adopt(options);
}

void FakeHost::Adopt(const Options& options) {
  modal = options.modal;
  notifications = options.notifications;
  if (session_ != nullptr && options.ppdPageFormat) format = session_->defaultPageFormat();
}

}  // namespace testsupport
