#include "samples.h"

namespace testsupport {

std::string SourcePath(std::string_view relative) {
  return std::string(VN_SOURCE_DIR) + "/" + std::string(relative);
}

std::string SamplePpd() { return SourcePath("resources/ppd/VN420P.ppd"); }

std::string TestPpd(std::string_view name) { return SourcePath("tests/data/ppd/" + std::string(name)); }

std::string BuildPath(std::string_view relative) {
  return std::string(VN_BINARY_DIR) + "/" + std::string(relative);
}

std::string PluginDir() { return VN_PLUGIN_DIR; }

}  // namespace testsupport
