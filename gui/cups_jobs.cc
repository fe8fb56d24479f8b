#include "gui/cups_jobs.h"

#include <cups/cups.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace gui {

namespace {

// Destination name and instance from "name/instance".
std::pair<std::string, std::string> SplitInstance(const std::string& destination) {
  size_t slash = destination.find('/');
  if (slash == std::string::npos) return {destination, ""};
  return {destination.substr(0, slash), destination.substr(slash + 1)};
}

struct OptionArray {
  int n = 0;
  cups_option_t* options = nullptr;
  explicit OptionArray(const Options& from) {
    for (const auto& [k, v] : from) n = cupsAddOption(k.c_str(), v.c_str(), n, &options);
  }
  ~OptionArray() { cupsFreeOptions(n, options); }
};

std::string LastError(const char* what) {
  const char* reason = cupsLastErrorString();
  return std::string(what) + ": " + (reason && *reason ? reason : "unknown error");
}

}  // namespace

int SubmitJob(const std::string& destination, const std::string& file, const Options& options,
              std::string* error) {
  int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *error = file + ": " + std::strerror(errno);
    return 0;
  }
  auto [name, instance] = SplitInstance(destination);
  cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.c_str(), instance.empty() ? nullptr : instance.c_str());
  if (!dest) {
    close(fd);
    *error = "no printer \"" + destination + "\"";
    return 0;
  }
  cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest);
  OptionArray opts(options);
  std::string title = std::filesystem::path(file).filename().string();
  int job = 0;
  int ok = 0;
  if (!info) {
    *error = LastError("cannot reach the printer");
  } else if (cupsCreateDestJob(CUPS_HTTP_DEFAULT, dest, info, &job, title.c_str(), opts.n, opts.options) !=
             IPP_STATUS_OK) {
    *error = LastError("CUPS refused the job");
    job = 0;
  } else if (cupsStartDestDocument(CUPS_HTTP_DEFAULT, dest, info, job, title.c_str(), CUPS_FORMAT_AUTO, 0, nullptr,
                                   1) != HTTP_STATUS_CONTINUE) {
    *error = LastError("CUPS refused the document");
  } else {
    char buf[65536];
    ssize_t n;
    ok = 1;
    while (ok && (n = read(fd, buf, sizeof buf)) != 0) {
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        *error = file + ": " + std::strerror(errno);
        ok = 0;
      } else if (cupsWriteRequestData(CUPS_HTTP_DEFAULT, buf, static_cast<size_t>(n)) != HTTP_STATUS_CONTINUE) {
        *error = LastError("sending the document failed");
        ok = 0;
      }
    }
    if (cupsFinishDestDocument(CUPS_HTTP_DEFAULT, dest, info) != IPP_STATUS_OK && ok) {
      *error = LastError("CUPS did not accept the document");
      ok = 0;
    }
  }
  if (job != 0 && !ok) {
    cupsCancelDestJob(CUPS_HTTP_DEFAULT, dest, job);
    job = 0;
  }
  close(fd);
  if (info) cupsFreeDestInfo(info);
  cupsFreeDests(1, dest);
  return job;
}

}  // namespace gui
