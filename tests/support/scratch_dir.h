// A fresh folder under the temporary folder for one test or benchmark,
// removed with everything in it when the object goes. Its creation is
// checked: when the folder cannot be made the constructor throws (the test
// framework reports it as a failure of the test) instead of leaving a path to
// a folder that does not exist.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace testsupport {

class ScratchDir {
 public:
  // "<parent>/<prefix>-XXXXXX", with `mode` (mkdtemp gives 0700); the
  // temporary folder when `parent` is empty.
  explicit ScratchDir(std::string_view prefix = "vn-test", mode_t mode = 0700, std::string_view parent = "");
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  // The path of `name` inside the folder (nothing is created).
  std::string File(std::string_view name) const;
  // Writes `bytes` to `name` inside the folder, making the folders on the way;
  // the file's path. Throws when it cannot be written.
  std::string Write(std::string_view name, std::string_view bytes) const;
  // Makes the folder `name` (and those on the way); its path.
  std::string MakeDir(std::string_view name) const;

 private:
  std::string path_;
};

}  // namespace testsupport
