// Opening the "Management Profile" window on a profile file of 3 x 500
// entries, clicking one check box and pressing OK (the delegating write, the
// menus' rebuild and the preset rules included), against the delegating
// write of the same lists alone. Both go through the real bridge tool and
// service under a private root; they alternate in each iteration so both see
// the same load, and the ratio is taken from their summed times.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "colorpane/advanced_color_options.h"
#include "colorpane/delegating_variant.h"
#include "colorpane/pde_common.h"
#include "colorpane/pde_plugin_interface.h"
#include "colorpane/profile_discovery.h"
#include "platform/ipc.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "profilestore/profile_store.h"
#include "protocol/request.h"

namespace {

namespace fs = std::filesystem;
namespace ui = platform::ui;
using profilestore::HVProfileList;

class Host : public pde::HostCallback {
 public:
  explicit Host(std::unique_ptr<platform::PrintSession> s) : session_(std::move(s)) {}
  platform::PrintSettings* printSettings() override { return &settings_; }
  platform::PrintSession* printSession() override { return session_.get(); }
  platform::PageFormat* pageFormat() override { return &format_; }
  ppd_file_t* ppdFile() override { return session_->ppd(); }

 private:
  platform::PrintSettings settings_;
  std::unique_ptr<platform::PrintSession> session_;
  platform::PageFormat format_;
};

// The user: one click on the first row's check box, then OK.
class User : public ui::ModalHost {
 public:
  int runModalForWindow(ui::Window& window) override {
    table->editCell("inmenu", 0, platform::plist::Value(int64_t{1}));
    ok->performClick();
    return stopRequested(window) ? stopCode(window) : ui::kModalResponseCancel;
  }
  int runAlert(const ui::Alert&) override {
    failed = true;
    return ui::kAlertFirstButtonReturn;
  }
  int runOpenPanel(ui::OpenPanel&) override { return ui::kModalResponseCancel; }
  ui::TableView* table = nullptr;
  ui::Button* ok = nullptr;
  bool failed = false;
};

std::unique_ptr<HVProfileList[]> FullLists(const char* variant) {
  auto lists = std::make_unique<HVProfileList[]>(3);
  for (int c = 0; c < 3; ++c) {
    HVProfileList& l = lists[c];
    std::memset(&l, 0, sizeof l);
    for (int i = 0; i < profilestore::kProfileMax; ++i) {
      auto& item = l.litem[i];
      item.iIndexOnDevice = i + 1;
      item.iInMenu = 1 + i % 6;
      item.iProfileClass = c + 1;
      item.iLocation = 4 + i % 2;
      std::snprintf(item.FileName, sizeof item.FileName, "P%s%d_%03d.ICC", variant, c, i);
      std::snprintf(item.ProfileName, sizeof item.ProfileName, "Profile%s %d-%03d", variant, c, i);
    }
    l.iNum = profilestore::kProfileMax;
  }
  return lists;
}

double WallNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1e9 + ts.tv_nsec;
}

struct Context {
  std::unique_ptr<Host> host;
  std::unique_ptr<colorpane::PDEPlugInInterface> panel;
  ui::Button* manage = nullptr;
  User user;
  std::unique_ptr<HVProfileList[]> lists[2];
};
Context* g = nullptr;

bool WriteAlone(int which) {
  auto& l = g->lists[which];
  return profilestore::HVPListWriteProfile_All(&l[0], &l[1], &l[2]) == 0;
}

bool WindowRound() {
  g->manage->performClick();
  return !g->user.failed;
}

void BM_DelegatingWrite(benchmark::State& state) {
  int which = 0;
  for (auto _ : state)
    if (!WriteAlone(which ^= 1)) state.SkipWithError("write failed");
}
BENCHMARK(BM_DelegatingWrite)->Unit(benchmark::kMillisecond);

void BM_WindowOpenToggleOK(benchmark::State& state) {
  for (auto _ : state)
    if (!WindowRound()) state.SkipWithError("the window's write failed");
}
BENCHMARK(BM_WindowOpenToggleOK)->Unit(benchmark::kMillisecond);

double g_ratio = 0;
void BM_Interleaved(benchmark::State& state) {
  double anchor = 0, window = 0;
  int which = 0;
  for (auto _ : state) {
    double t0 = WallNs();
    bool ok = WriteAlone(which ^= 1);
    double t1 = WallNs();
    ok = ok && WindowRound();
    double t2 = WallNs();
    if (!ok) {
      state.SkipWithError("a write failed");
      break;
    }
    anchor += t1 - t0;
    window += t2 - t1;
  }
  if (anchor > 0) state.counters["ratio"] = g_ratio = window / anchor;
}
BENCHMARK(BM_Interleaved)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void StopService() {
  platform::ipc::Socket s = platform::ipc::Connect(platform::ipc::SocketPath(protocol::kServiceName));
  pid_t pid = -1;
  if (s.valid() && platform::ipc::PeerCredentials(s.fd(), nullptr, &pid) && pid > 0) kill(pid, SIGKILL);
}

}  // namespace

int main(int argc, char** argv) {
  std::string base = fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
  std::string tmpl = base + "/vn-window-bench-XXXXXX";
  if (mkdtemp(tmpl.data()) == nullptr) return 1;
  setenv("VN420P_ROOT", (tmpl + "/root").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (tmpl + "/run").c_str(), 1);
  fs::create_directories(tmpl + "/run");
  fs::create_directories(platform::paths::PreferenceFolder());
  fs::path tool = platform::paths::BridgeToolPath();
  fs::create_directories(tool.parent_path());
  fs::copy_file(std::string(VN_BINARY_DIR) + "/bin/bridgetool", tool);
  fs::copy_file(std::string(VN_BINARY_DIR) + "/bin/prefservice", tool.parent_path() / "prefservice");

  Context context;
  g = &context;
  context.lists[0] = FullLists("");
  context.lists[1] = FullLists("B");
  colorpane::InstallDelegatingVariant();
  if (!WriteAlone(0)) {  // also starts the service before the timed runs
    std::fprintf(stderr, "the delegating write failed under %s\n", tmpl.c_str());
    return 1;
  }

  platform::Bundle bundle(std::string(VN_PLUGIN_DIR) + "/colorpane.plugin", "colorpane");
  colorpane::SetPluginBundle(&bundle);
  colorpane::SetWalkRequestSender(nullptr);  // no printer to walk here
  std::string error;
  auto session = platform::PrintSession::FromPPDFile(std::string(VN_SOURCE_DIR) + "/resources/ppd/VN420P.ppd",
                                                     "lpd://127.0.0.1/queue", &error);
  if (!session) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  context.host = std::make_unique<Host>(std::move(session));
  context.panel = std::make_unique<colorpane::PDEPlugInInterface>(context.host.get());
  context.panel->panelView();
  context.panel->restoreValuesAndReturnError(&error);
  for (auto& [name, object] : context.panel->namedObjects()) {
    if (name == "button_ManageProfile") context.manage = dynamic_cast<ui::Button*>(object);
    if (name == "_profileTableView") context.user.table = dynamic_cast<ui::TableView*>(object);
    if (name == "_windowOK") context.user.ok = dynamic_cast<ui::Button*>(object);
  }
  if (!context.manage || !context.manage->isEnabled() || !context.user.table || !context.user.ok) {
    std::fprintf(stderr, "the management window is not available\n");
    return 1;
  }
  ui::SetModalHost(&context.user);

  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (g_ratio > 0)
    std::printf("\nwindow open + toggle + OK / delegating write alone: %.2fx (target <= 2x)\n", g_ratio);

  ui::SetModalHost(nullptr);
  context.panel.reset();
  colorpane::SetPluginBundle(nullptr);
  StopService();
  std::error_code ec;
  fs::remove_all(tmpl, ec);
  return 0;
}
