// Where tests and benchmarks find the tree's sample files and the build's
// programs and plug-ins.
#pragma once

#include <string>
#include <string_view>

namespace testsupport {

// A path in the source tree ("resources/ppd/VN420P.ppd").
std::string SourcePath(std::string_view relative);
// The bundled VN420P PPD.
std::string SamplePpd();
// A PPD of the tests' own (tests/data/ppd/<name>).
std::string TestPpd(std::string_view name);
// A path in the build tree ("bin/pdehost").
std::string BuildPath(std::string_view relative);
// The build's plug-in folder (the colour and Security bundles).
std::string PluginDir();

}  // namespace testsupport
