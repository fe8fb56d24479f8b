// The fixed paths under the installation root, and the user's identity.
#include "platform/paths.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "env.h"

namespace platform::paths {
namespace {

using testsupport::ScopedEnv;

TEST(Paths, FixedPathsVerbatimWithoutARoot) {
  ScopedEnv root("VN420P_ROOT", nullptr);
  EXPECT_EQ(InstallRoot(), "");
  EXPECT_EQ(PreferenceFolder(), "/Library/Printers/HALVERN/Preferences/jp.halvern.printers.VN420P/");
  EXPECT_EQ(DownloadManagerApp(), "/Applications/Download Manager VN420P/HALVERN Download Manager.app");
  EXPECT_EQ(ModelPreferenceFile(), "/Library/Preferences/jp.halvern.printers.VN420P.plist");
  EXPECT_EQ(BridgeToolPath(),
            "/Library/Application Support/HALVERN/VN420P/Helpers/bridgetool.app/Contents/MacOS/bridgetool");
  EXPECT_EQ(ProfilesFolder(), "/Library/Printers/HALVERN/VN420P/Profiles");
  EXPECT_EQ(FileExistsIcon(), "/Library/Printers/HALVERN/VN420P/Icons/fileExistbzVN420P.icns");
}

TEST(Paths, RootPrefixesEveryPath) {
  ScopedEnv root("VN420P_ROOT", "/tmp/stage//");
  EXPECT_EQ(InstallRoot(), "/tmp/stage");
  EXPECT_EQ(PreferenceFolder(),
            "/tmp/stage/Library/Printers/HALVERN/Preferences/jp.halvern.printers.VN420P/");
  EXPECT_EQ(ModelPreferenceFile(), "/tmp/stage/Library/Preferences/jp.halvern.printers.VN420P.plist");
  EXPECT_EQ(UnderRoot("/x"), "/tmp/stage/x");
  EXPECT_EQ(UnderRoot("x"), "/tmp/stage/x");
  ScopedEnv slash("VN420P_ROOT", "/");
  EXPECT_EQ(InstallRoot(), "");
  EXPECT_EQ(UnderRoot("/x"), "/x");
}

TEST(Paths, UserPreferencesFolder) {
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", "/tmp/cfg");
    EXPECT_EQ(UserPreferencesFolder(), "/tmp/cfg");
  }
  ScopedEnv home("HOME", "/home/tester/");
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", "relative/cfg");  // invalid: ignored
    EXPECT_EQ(UserPreferencesFolder(), "/home/tester/.config");
  }
  ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
  EXPECT_EQ(UserPreferencesFolder(), "/home/tester/.config");
}

TEST(Paths, UserIdentityComesFromThePasswordDatabase) {
  struct passwd* pw = getpwuid(getuid());
  if (pw == nullptr) {
    EXPECT_EQ(LoginName(), "");
    return;
  }
  EXPECT_EQ(LoginName(), pw->pw_name);
  std::string gecos = pw->pw_gecos ? pw->pw_gecos : "";
  std::string expected = gecos.substr(0, gecos.find(','));
  EXPECT_EQ(FullUserName(), expected.empty() ? std::string(pw->pw_name) : expected);
}

}  // namespace
}  // namespace platform::paths
