// Input polling through the platform.
#include "support/InputPolling.h"

#include "platform/Platform.h"

unsigned MouseButtonsDown() { return CurrentPlatform().MouseButtonsDown(); }

bool EscapeDown() { return CurrentPlatform().EscapeHeld(); }

void ForgetPresses() { CurrentPlatform().ForgetPresses(); }
