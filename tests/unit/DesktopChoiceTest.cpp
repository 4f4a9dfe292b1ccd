// Which back end a Linux desktop gets from its environment and its compositor, and what is said about it.
#include <gtest/gtest.h>

#include "platform/DesktopChoice.h"
#include "platform/headless/HeadlessPlatform.h"

namespace {

// A Wayland connection that works (a platform) or fails for the reason given.
struct TWaylandAttempt {
  bool Works = true;
  std::string Why = "the Wayland compositor offers no layer shell (zwlr_layer_shell_v1)";
  int Tries = 0;

  std::function<std::unique_ptr<TPlatform>(std::string&)> Open() {
    return [this](std::string& why) -> std::unique_ptr<TPlatform> {
      ++Tries;
      if (Works) return std::make_unique<THeadlessPlatform>(640, 480);
      why = Why;
      return nullptr;
    };
  }
};

TEST(TDesktopChoice, AWaylandSessionWithTheLayerShellGetsTheWaylandBackEnd) {
  TWaylandAttempt wayland;
  const TDesktopChoice choice = ChooseDesktop("", "wayland-1", wayland.Open());
  EXPECT_NE(choice.Platform, nullptr);
  EXPECT_EQ(choice.Reason, "Wayland back end (the compositor at WAYLAND_DISPLAY=wayland-1 offers the layer shell)");
  EXPECT_TRUE(choice.Error.empty());
}

TEST(TDesktopChoice, WithoutTheLayerShellOrWithoutWaylandX11IsOpenedAndTheReasonSaid) {
  TWaylandAttempt gnome{false};
  TDesktopChoice choice = ChooseDesktop("", "wayland-0", gnome.Open());
  EXPECT_EQ(choice.Platform, nullptr);
  EXPECT_TRUE(choice.Error.empty());
  EXPECT_EQ(choice.Reason, "X11 back end, through XWayland where the compositor runs it (the Wayland compositor "
                           "offers no layer shell (zwlr_layer_shell_v1))");

  TWaylandAttempt unused;
  choice = ChooseDesktop("", "", unused.Open());
  EXPECT_EQ(choice.Platform, nullptr);
  EXPECT_EQ(choice.Reason, "X11 back end (WAYLAND_DISPLAY is not set)");
  EXPECT_EQ(unused.Tries, 0) << "no Wayland connection is tried outside a Wayland session";
}

TEST(TDesktopChoice, TheEnvironmentOverridesTheChoiceAndAFailedForcedWaylandIsAnError) {
  TWaylandAttempt wayland;
  TDesktopChoice choice = ChooseDesktop("x11", "wayland-1", wayland.Open());
  EXPECT_EQ(choice.Platform, nullptr);
  EXPECT_EQ(choice.Reason, "X11 back end (BLASTOVER_PLATFORM=x11)");
  EXPECT_EQ(wayland.Tries, 0);

  // Forced even where no WAYLAND_DISPLAY is set: libwayland then tries its default socket.
  choice = ChooseDesktop("wayland", "", wayland.Open());
  EXPECT_NE(choice.Platform, nullptr);
  EXPECT_EQ(choice.Reason, "Wayland back end (BLASTOVER_PLATFORM=wayland)");

  TWaylandAttempt broken{false, "cannot open Wayland display wayland-0: No such file or directory"};
  choice = ChooseDesktop("wayland", "", broken.Open());
  EXPECT_EQ(choice.Platform, nullptr);
  EXPECT_EQ(choice.Error, "cannot open Wayland display wayland-0: No such file or directory");

  choice = ChooseDesktop("mir", "wayland-1", wayland.Open());
  EXPECT_EQ(choice.Error, "BLASTOVER_PLATFORM must be x11 or wayland, not \"mir\"");
}

}  // namespace
