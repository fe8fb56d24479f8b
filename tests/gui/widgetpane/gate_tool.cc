// A stand-in for a helper program the test panel waits for (it is linked as
// "bridgetool" into the test's gate folder): it waits until "open" appears
// beside it, or the folder goes.
#include <chrono>
#include <filesystem>
#include <thread>

int main(int, char** argv) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::path(argv[0]).parent_path();
  while (fs::is_directory(dir) && !fs::exists(dir / "open"))
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return 0;
}
