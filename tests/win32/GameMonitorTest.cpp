// The game's monitor: chosen at the pointer when the game is shown, positions relative to it.
#include <gtest/gtest.h>

#include "platform/win32/GameMonitor.h"

namespace {

// Two monitors side by side, the second left of and above the primary one.
class TTwoMonitors : public TMonitorSource {
 public:
  TMonitorRect Primary{0, 0, 1920, 1080};
  TMonitorRect Left{-1280, -200, 1280, 1024};
  int PointerX = 100, PointerY = 100;
  bool PointerReadable = true;

  std::optional<TMonitorRect> PointerMonitor() override {
    if (!PointerReadable) return std::nullopt;
    return MonitorNear(PointerX, PointerY);
  }
  TMonitorRect MonitorNear(int x, int) override { return x < 0 ? Left : Primary; }
  TMonitorRect PrimaryMonitor() override { return Primary; }
};

TEST(GameMonitor, ThePointersMonitorIsKeptWhileTheGameIsShown) {
  TTwoMonitors monitors;
  TGameMonitor game(monitors);
  monitors.PointerX = -500;
  game.Lock();
  EXPECT_EQ(game.Current(), monitors.Left);
  // The pointer leaving for the other monitor during the game changes nothing.
  monitors.PointerX = 700;
  EXPECT_EQ(game.Current(), monitors.Left);
  // A new resolution of the same monitor is followed.
  monitors.Left.Width = 1024;
  EXPECT_EQ(game.Current().Width, 1024);

  // Hidden, the choice follows the pointer again; shown, it is fixed anew.
  game.Unlock();
  EXPECT_EQ(game.Current(), monitors.Primary);
  monitors.PointerX = -10;
  game.Lock();
  monitors.PointerX = 10;
  EXPECT_EQ(game.Current(), monitors.Left);
}

TEST(GameMonitor, PositionsAreRelativeToTheMonitorAtNegativeCoordinates) {
  TTwoMonitors monitors;
  monitors.PointerX = -1000;
  monitors.PointerY = 300;
  TGameMonitor game(monitors);
  game.Lock();
  int x = -1000, y = 300;
  game.ToMonitor(x, y);
  EXPECT_EQ(x, 280);
  EXPECT_EQ(y, 500);
  game.ToDesktop(x, y);
  EXPECT_EQ(x, -1000);
  EXPECT_EQ(y, 300);
  // A point off the game's monitor is given as it is, outside 0..size.
  x = 50;
  y = 50;
  game.ToMonitor(x, y);
  EXPECT_EQ(x, 1330);
  EXPECT_EQ(y, 250);
}

TEST(GameMonitor, AnUnreadablePointerMeansThePrimaryMonitor) {
  TTwoMonitors monitors;
  monitors.PointerX = -500;
  monitors.PointerReadable = false;
  TGameMonitor game(monitors);
  game.Lock();
  EXPECT_EQ(game.Current(), monitors.Primary);
}

}  // namespace
