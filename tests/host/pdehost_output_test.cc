// What pdehost prints of controls: a window's table may hold names from a
// profile file that are not UTF-8, and both forms of `window` stay showable.
#include "host/pdehost_output.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace host {
namespace {

using ::testing::HasSubstr;

TEST(PdehostOutputTest, WindowsShowTextThatIsNotUtf8) {
  ControlState table;
  table.name = "list";
  table.kind = ControlKind::kTable;
  table.isControl = true;
  table.columns = {{"name", "Name", false}};
  table.cells = {{platform::plist::Value("bad\xff")}};
  nlohmann::ordered_json controls = nlohmann::ordered_json::array();
  controls.push_back(DescribeControl(table, std::nullopt));
  for (bool json : {false, true}) {
    testing::internal::CaptureStdout();
    PrintWindow("T\xfe", controls, json);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_THAT(out, HasSubstr("bad\uFFFD"));
    EXPECT_THAT(out, HasSubstr("T\uFFFD"));
    EXPECT_EQ(nlohmann::json::accept(out), json) << out;
  }
}

}  // namespace
}  // namespace host
