// Opening the "Management Profile" window on a profile file of 3 x 500
// entries, clicking one check box and pressing OK (the delegating write, the
// menus' rebuild and the preset rules included), against the delegating
// write of the same lists alone. Both go through the real bridge tool and
// service under a private root; they alternate in each iteration so both see
// the same load, and the ratio is taken from their summed times.
#include <benchmark/benchmark.h>
#include <time.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "colorpane/advanced_color_options.h"
#include "colorpane/delegating_variant.h"
#include "colorpane/pde_common.h"
#include "colorpane/pde_plugin_interface.h"
#include "colorpane/profile_discovery.h"
#include "fake_host.h"
#include "platform/paths.h"
#include "profile_lists.h"
#include "profilestore/profile_store.h"
#include "samples.h"
#include "temp_root.h"

namespace {

namespace fs = std::filesystem;
namespace ui = platform::ui;
using profilestore::HVProfileList;

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

double WallNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1e9 + ts.tv_nsec;
}

struct Context {
  std::unique_ptr<testsupport::FakeHost> host;
  std::unique_ptr<colorpane::PDEPlugInInterface> panel;
  ui::Button* manage = nullptr;
  User user;
  testsupport::ProfileLists lists[2];
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

}  // namespace

int main(int argc, char** argv) {
  // In memory where there is a tmpfs: the figure is the chain's work, not the disk's.
  testsupport::TempRoot root(true, fs::is_directory("/dev/shm") ? "/dev/shm" : "");
  Context context;
  g = &context;
  context.lists[0] = testsupport::FullLists(0);
  context.lists[1] = testsupport::FullLists(1);
  colorpane::InstallDelegatingVariant();
  if (!WriteAlone(0)) {  // also starts the service before the timed runs
    std::fprintf(stderr, "the delegating write failed under %s\n", root.base().c_str());
    return 1;
  }

  platform::Bundle bundle(testsupport::PluginDir() + "/colorpane.plugin", "colorpane");
  colorpane::SetPluginBundle(&bundle);
  colorpane::SetWalkRequestSender(nullptr);  // no printer to walk here
  context.host = std::make_unique<testsupport::FakeHost>(
      testsupport::FakeHost::Options{.ppd = testsupport::SamplePpd(), .deviceUri = "lpd://127.0.0.1/queue"});
  if (!context.host->ok()) {
    std::fprintf(stderr, "%s\n", context.host->error().c_str());
    return 1;
  }
  std::string error;
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
  return 0;
}
