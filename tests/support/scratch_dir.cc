#include "scratch_dir.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "files.h"

namespace testsupport {

namespace fs = std::filesystem;

ScratchDir::ScratchDir(std::string_view prefix, mode_t mode, std::string_view parent) {
  std::error_code ec;
  fs::path base = parent.empty() ? fs::temp_directory_path(ec) : fs::path(parent);
  if (ec) base = "/tmp";
  std::string tmpl = (base / (std::string(prefix) + "-XXXXXX")).string();
  if (mkdtemp(tmpl.data()) == nullptr)
    throw std::runtime_error("cannot make a scratch folder " + tmpl + ": " + std::strerror(errno));
  path_ = tmpl;
  if (mode != 0700 && chmod(path_.c_str(), mode) != 0)
    throw std::runtime_error("cannot change the mode of " + path_ + ": " + std::strerror(errno));
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string ScratchDir::File(std::string_view name) const { return path_ + "/" + std::string(name); }

std::string ScratchDir::Write(std::string_view name, std::string_view bytes) const {
  const std::string path = File(name);
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  if (!WriteText(path, bytes)) throw std::runtime_error("cannot write " + path);
  return path;
}

std::string ScratchDir::MakeDir(std::string_view name) const {
  const std::string path = File(name);
  std::error_code ec;
  fs::create_directories(path, ec);
  if (ec) throw std::runtime_error("cannot make " + path + ": " + ec.message());
  return path;
}

}  // namespace testsupport
