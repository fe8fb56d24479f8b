// Loads plug-in bundles: dlopen the module inside "<name>.plugin/" and call
// its one exported factory.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/plugin_api.h"

namespace host {

class LoadedPlugIn {
 public:
  ~LoadedPlugIn();  // destroys the plug-in object before unloading the module
  LoadedPlugIn(const LoadedPlugIn&) = delete;
  LoadedPlugIn& operator=(const LoadedPlugIn&) = delete;

  // Loads "<bundle_dir>/<name>.so" (name: the folder's name without
  // ".plugin"), creates the principal object and hands it its bundle.
  // nullptr and *error (path and the loader's reason) on failure.
  static std::unique_ptr<LoadedPlugIn> Load(const std::string& bundle_dir, std::string* error);

  pde::PlugIn* plugIn() const { return plugin_.get(); }
  const platform::Bundle& bundle() const { return bundle_; }
  const std::string& name() const { return name_; }

 private:
  LoadedPlugIn(void* handle, std::string name, platform::Bundle bundle)
      : handle_(handle), name_(std::move(name)), bundle_(std::move(bundle)) {}
  void* handle_;
  std::string name_;
  platform::Bundle bundle_;
  std::unique_ptr<pde::PlugIn> plugin_;
};

// The "*.plugin" folders of a directory, sorted by name.
std::vector<std::string> FindBundles(const std::string& dir);

}  // namespace host
