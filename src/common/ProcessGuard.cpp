#include "common/ProcessGuard.h"

#include <sys/prctl.h>

#include <csignal>
#include <cstdlib>
#include <cstring>

#include "common/TestSeams.h"

void guardProcess() {
    std::signal(SIGXFSZ, SIG_IGN);
    warnAboutIgnoredTestSwitches();
    const char* allow = testSwitch("QUORVANE_ALLOW_CORE_DUMPS");
    if (!allow || std::strcmp(allow, "1") != 0) ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}
