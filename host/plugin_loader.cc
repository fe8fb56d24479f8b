#include "host/plugin_loader.h"

#include <dlfcn.h>

#include <algorithm>
#include <filesystem>

namespace host {

namespace fs = std::filesystem;

LoadedPlugIn::~LoadedPlugIn() {
  plugin_.reset();
  // Modules stay mapped: objects they created (bundles, statics) may still be
  // referenced by the process until exit, as a print dialog keeps them.
  (void)handle_;
}

std::unique_ptr<LoadedPlugIn> LoadedPlugIn::Load(const std::string& bundle_dir, std::string* error) {
  fs::path dir(bundle_dir);
  std::string name = dir.filename() == "" ? dir.parent_path().stem().string() : dir.stem().string();
  fs::path module = dir / (name + ".so");
  void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    if (error) *error = std::string("cannot load ") + module.string() + ": " + dlerror();
    return nullptr;
  }
  auto factory = reinterpret_cast<PDEPlugInFactoryFn>(dlsym(handle, kPlugInFactorySymbol));
  if (!factory) {
    if (error) *error = module.string() + " exports no " + kPlugInFactorySymbol;
    dlclose(handle);
    return nullptr;
  }
  std::unique_ptr<LoadedPlugIn> loaded(new LoadedPlugIn(handle, name, platform::Bundle(dir.string(), name)));
  loaded->plugin_.reset(factory());
  if (!loaded->plugin_) {
    if (error) *error = module.string() + ": the factory created no plug-in";
    return nullptr;
  }
  loaded->plugin_->initWithBundle(loaded->bundle_);
  return loaded;
}

std::vector<std::string> FindBundles(const std::string& dir) {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    if (entry.is_directory() && entry.path().extension() == ".plugin") out.push_back(entry.path().string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace host
