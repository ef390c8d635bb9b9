#include "platform.h"

#include <cassert>

namespace {
Platform* g_platform = nullptr;
}

Platform& platform()
{
    assert(g_platform && "setPlatform() must run before any window");
    return *g_platform;
}

void setPlatform(Platform* p)
{
    g_platform = p;
}
