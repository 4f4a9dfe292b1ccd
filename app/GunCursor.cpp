// The gun cursor: the desktop's cursors show the gun's state while a game runs.
#include "app/WorldForm.h"
#include "support/TextRoutines.h"
#include "support/Timing.h"

namespace {

// The reload bar gains a column every ReloadMs / ReloadColumns.
constexpr double ReloadColumns = 10;

}  // namespace

void TWorldForm::UpdateCursor() {
  std::string name;
  if (InPowerMode() || DeathStamp != 0) {
    // The power modes end here; one that ends still shows the gold coin in this frame.
    if (KickStamp != 0 && IntervalPassed(KickStamp, KickMs)) KickStamp = 0;
    if (InvincibleStamp != 0 && IntervalPassed(InvincibleStamp, InvincibleMs)) InvincibleStamp = 0;
    name = DeathStamp != 0 ? "MOUSEEMPTY" : "MOUSEGOLD";
  } else if (ShotScale != 0) {
    name = "MOUSERED";
  } else if (CanShoot()) {
    name = "MOUSEFULL";
  } else {
    // From 1900 ms on this names MOUSEARROW10, which does not exist: the cursor stays
    // as it was until the reload ends, and the name is remembered all the same.
    name = "MOUSEARROW" + std::to_string(Round(ElapsedSince(ShotStamp) / static_cast<double>(ReloadMs) * ReloadColumns));
  }
  if (!SameTextTrimmed(name, CursorName)) CurrentPlatform().InstallCursor(name);
  CursorName = name;
}

void TWorldForm::RestoreCursors() {
  CurrentPlatform().RestoreCursors();
  // The next game installs its first cursor at once, even if it has the last game's name.
  CursorName.clear();
}
