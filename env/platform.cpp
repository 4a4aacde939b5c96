#include "env/platform.h"

namespace {
Platform g_platform;
}  // namespace

Platform& GetPlatform() { return g_platform; }

void SetPlatform(const Platform& platform) { g_platform = platform; }
