// The system's fixed paths, formed in one place under the installation root.
// The root is "/" unless the environment variable VN420P_ROOT names another
// folder (staged installs, tests).
#pragma once

#include <string>

namespace platform::paths {

std::string InstallRoot();  // no trailing slash; "" for "/"
// Root + the absolute path given.
std::string UnderRoot(const std::string& absolute);

// "/Library/Printers/HALVERN/Preferences/jp.halvern.printers.VN420P/" under the root.
std::string PreferenceFolder();
// "/Applications/Download Manager VN420P/HALVERN Download Manager.app" under the root.
std::string DownloadManagerApp();
// "/Library/Preferences/jp.halvern.printers.VN420P.plist" under the root.
std::string ModelPreferenceFile();
// "/Library/Application Support/HALVERN/VN420P/Helpers/bridgetool.app/Contents/MacOS/bridgetool" under the root.
std::string BridgeToolPath();
// "/Library/Printers/HALVERN/VN420P/Profiles" under the root.
std::string ProfilesFolder();
// "/Library/Printers/HALVERN/VN420P/Icons/fileExistbzVN420P.icns" under the root.
std::string FileExistsIcon();
// The user's preferences folder: $XDG_CONFIG_HOME (when absolute), else
// $HOME/.config, else the password database's home + "/.config"; "" when
// none is known.
std::string UserPreferencesFolder();

// Login name of the real user (getpwuid(getuid())), "" when unknown.
std::string LoginName();
// The user's full name (GECOS field up to the first comma), else the login name.
std::string FullUserName();

}  // namespace platform::paths
