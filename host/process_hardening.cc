#include "host/process_hardening.h"

#include <sys/prctl.h>
#include <sys/resource.h>

namespace host {

void HardenProcess() {
  const struct rlimit noCore = {0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
  prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

}  // namespace host
