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

void TPlatform::RunEndingHandler() {
  // Once: a second way out found while the first is saving (the connection breaking
  // under a stop signal's save, say) must not save again, nor from inside the first.
  if (EndingHandled || !EndingHandler) return;
  EndingHandled = true;
  try {
    EndingHandler();
  } catch (...) {
    // The program ends in a moment whatever went wrong.
  }
}

bool HasPlatform() { return Installed != nullptr; }
