// The installed platform.
#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>

namespace {
TPlatform* Installed = nullptr;
}

TPlatform& CurrentPlatform() {
  if (Installed == nullptr) {
    std::fputs("blastover: no platform installed\n", stderr);
    std::abort();
  }
  return *Installed;
}

void InstallPlatform(TPlatform* platform) { Installed = platform; }

bool HasPlatform() { return Installed != nullptr; }
