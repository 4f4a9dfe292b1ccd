// The message box: a layer surface with a title strip, the text in the desktop's fonts and an OK button.
#include "platform/wayland/WaylandMessageBox.h"

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "platform/fontconfig/MessageBoxPicture.h"
#include "platform/wayland/WaylandBuffers.h"
#include "platform/wayland/WaylandDisplay.h"
#include "platform/wayland/WaylandInput.h"
#include "platform/wayland/WaylandWindow.h"
#include "platform/x11/X11Guard.h"

namespace {

constexpr int IdleWaitMs = 250;

bool Inside(const TPixelArea& area, int x, int y) {
  return x >= area.X && x < area.X + area.Width && y >= area.Y && y < area.Y + area.Height;
}

}  // namespace

void ShowWaylandMessageBox(const std::string& caption, const std::string& text) {
  std::string error;
  std::shared_ptr<TWaylandDisplay> connection = TWaylandDisplay::Open(error);
  if (connection == nullptr || connection->LayerShell() == nullptr) {
    std::fprintf(stderr, "blastover: %s: %s\n", caption.c_str(), text.c_str());
    return;
  }
  // Within the output the box is likely shown on.
  int mostWidth = 1920, mostHeight = 1080;
  for (const auto& output : connection->Outputs())
    if (output->ModeWidth > 0) {
      mostWidth = output->ModeWidth - 20;
      mostHeight = output->ModeHeight - 20;
      break;
    }
  const TMessageBoxPicture picture(caption, text, mostWidth, mostHeight);
  if (!picture.WhyNoFonts.empty()) connection->Warn("message boxes show ASCII only: " + picture.WhyNoFonts);
  bool closed = false;
  TWaylandWindow box(connection, TWindowKind::Menu);
  box.OnKeyDown = [&closed](uint16_t key) { closed = closed || key == VK_RETURN || key == VK_ESCAPE || key == ' '; };
  box.OnMouseDown = [&](int x, int y) {
    // The window may be larger than the picture when the scale does not divide it.
    closed = closed || Inside(picture.Button(), x, y);
  };
  box.SetBounds(0, 0, picture.Width, picture.Height);
  box.Show();
  int presentedWidth = 0, presentedHeight = 0;
  // A stop signal closes the box: the thread that runs the program's messages ends it.
  while (!closed && box.IsVisible() && !connection->Lost() && !TX11Guard::StopPending()) {
    // Once, and again only when the compositor gave the box another size or scale.
    if (box.PixelWidth() != presentedWidth || box.PixelHeight() != presentedHeight) {
      box.Present(picture.View());
      presentedWidth = box.PixelWidth();
      presentedHeight = box.PixelHeight();
    }
    connection->WaitAndDispatch(IdleWaitMs, TX11Guard::StopDescriptor());
    for (const TWaylandInput::TWindowEvent& event : connection->Input().TakeWindowEvents(WaylandTickCount())) {
      if (event.IsKey) box.OnKeyDown(event.Key);
      else box.OnMouseDown(event.X, event.Y);
    }
  }
}
