#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {
Platform g_platform;
bool g_installed = false;
}  // namespace

void install(const Platform& p) {
    g_platform = p;
    g_installed = true;
}

const Platform& current() {
    if (!g_installed) {
        std::fputs("devpanel: no platform installed\n", stderr);
        std::abort();
    }
    return g_platform;
}

}  // namespace platform
