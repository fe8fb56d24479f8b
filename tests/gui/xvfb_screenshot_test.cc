// pdedialog on a real X11 display (Xvfb): the window's screenshot, taken from
// the display, has the dialog's size and shows more than a blank fill.
#include <QColor>
#include <QImage>
#include <cstdlib>
#include <iostream>
#include <set>

#include "platform/process.h"
#include "samples.h"
#include "scratch_dir.h"

int main() {
  if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) {
    std::cout << "xvfb-run is not installed: skipped\n";
    return 77;
  }
  testsupport::ScratchDir scratch("vn-pdedialog-x11");
  const std::string shot = scratch.File("screenshot.png");
  const std::string exe = testsupport::BuildPath("bin/pdedialog");
  platform::TaskResult r;
  // The offscreen platform must not leak in from the environment.
  unsetenv("QT_QPA_PLATFORM");
  if (platform::RunTask("/usr/bin/xvfb-run",
                        {"xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", exe, "--plugins",
                         testsupport::PluginDir(), "--screenshot", shot},
                        &r) != 0 ||
      r.exitStatus != 0) {
    std::cerr << "pdedialog under xvfb-run failed (" << r.exitStatus << "): " << r.output << "\n";
    return 1;
  }
  QImage image(QString::fromStdString(shot));
  if (image.isNull()) {
    std::cerr << "no screenshot at " << shot << "\n";
    return 1;
  }
  std::set<QRgb> colours;
  for (int y = 0; y < image.height(); y += 2)
    for (int x = 0; x < image.width(); x += 2) colours.insert(image.pixel(x, y));
  std::cout << "screenshot " << image.width() << "x" << image.height() << ", " << colours.size() << " colours\n";
  // The panel alone is 460x300; text and controls bring many shades.
  if (image.width() < 460 || image.height() < 300 || image.width() > 1280 || image.height() > 1024) return 1;
  if (colours.size() < 16) return 1;
  return 0;
}
