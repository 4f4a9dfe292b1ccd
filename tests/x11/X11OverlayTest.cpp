// The overlay window on a real X server, with and without a compositor, through MIT-SHM and XPutImage.
// GoogleTest comes before the X headers, whose macros (None, Bool) break its own.
#include <gtest/gtest.h>

#include <X11/extensions/shape.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "X11TestServer.h"
#include "sprites/Bitmap32.h"
#include "sprites/Resampler.h"

namespace {

constexpr uint32_t Desktop = 0x3366CC;  // what lies beneath the overlay
constexpr uint32_t Red = 0xFFFF2020;
constexpr uint32_t Green = 0xFF20E040;

struct TOverlayCase {
  bool Compositor;
  bool Shm;
};

void PrintTo(const TOverlayCase& c, std::ostream* out) {
  *out << (c.Compositor ? "with a compositor" : "without a compositor") << (c.Shm ? ", MIT-SHM" : ", XPutImage");
}

std::string CaseName(const testing::TestParamInfo<TOverlayCase>& info) {
  return std::string(info.param.Compositor ? "Composited" : "Shaped") + (info.param.Shm ? "Shm" : "PutImage");
}

// Shared-memory segments this process has made that are still attached.
int OwnSharedSegments() {
  std::ifstream table("/proc/sysvipc/shm");
  std::string line;
  std::getline(table, line);
  int count = 0;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    long key, id, perms, size, creator;
    if (fields >> key >> id >> perms >> size >> creator && creator == getpid()) ++count;
  }
  return count;
}

class TX11OverlayTest : public testing::TestWithParam<TOverlayCase> {
 protected:
  void SetUp() override {
    if (GetParam().Shm) unsetenv("BLASTOVER_NO_SHM");
    else setenv("BLASTOVER_NO_SHM", "1", 1);
    Server = &TX11TestServer::Shared(GetParam().Compositor);
    Client = std::make_unique<TX11TestClient>(*Server);
    Beneath = Client->MakeWindow(0, 0, TX11TestServer::ScreenWidth, TX11TestServer::ScreenHeight, Desktop,
                                 ButtonPressMask);
    Platform = Client->MakePlatform();
    ASSERT_NE(Platform, nullptr);
    Overlay = Platform->CreateWindow(TWindowKind::Overlay);
    Overlay->Show();
    SyncPlatform();
  }

  // The server handles each client's requests in order but interleaves clients as it
  // likes: a round trip of the platform makes sure it has handled the platform's.
  void SyncPlatform() { Platform->ScreenSize(); }

  void TearDown() override {
    Overlay.reset();
    Platform.reset();
    if (Client != nullptr) XDestroyWindow(Client->Dpy(), Beneath);
    Client.reset();
    unsetenv("BLASTOVER_NO_SHM");
  }

  Window OverlayId() {
    const std::vector<Window> own = Client->OwnWindows();
    return own.size() == 1 ? own[0] : None;
  }

  bool PixelBecomes(int x, int y, uint32_t colour) {
    return WaitUntil([&] { return Client->ScreenPixel(x, y) == colour; }, Platform.get());
  }

  TX11TestServer* Server = nullptr;
  std::unique_ptr<TX11TestClient> Client;
  Window Beneath = None;
  std::unique_ptr<TX11Platform> Platform;
  std::unique_ptr<TPlatformWindow> Overlay;
};

// The window itself and its input shape do not depend on how frames are sent.
class TX11OverlayWindowTest : public TX11OverlayTest {};

TEST_P(TX11OverlayWindowTest, CoversTheScreenAndStaysOnTopWithoutTakingTheFocus) {
  const Window overlay = OverlayId();
  ASSERT_NE(overlay, None);
  XWindowAttributes attributes;
  ASSERT_TRUE(XGetWindowAttributes(Client->Dpy(), overlay, &attributes));
  EXPECT_EQ(attributes.x, 0);
  EXPECT_EQ(attributes.y, 0);
  EXPECT_EQ(attributes.width, TX11TestServer::ScreenWidth);
  EXPECT_EQ(attributes.height, TX11TestServer::ScreenHeight);
  EXPECT_TRUE(attributes.override_redirect);
  EXPECT_EQ(attributes.map_state, IsViewable);
  EXPECT_EQ(attributes.depth, GetParam().Compositor ? 32 : 24);
  EXPECT_TRUE(Overlay->IsVisible());

  // Another application's window comes up over the game, and has the focus.
  const Window other = Client->MakeWindow(100, 100, 200, 200, 0x808080);
  XSetInputFocus(Client->Dpy(), other, RevertToParent, CurrentTime);
  Client->Sync();
  EXPECT_TRUE(WaitUntil([&] { return Client->StackedWindows().back() == overlay; }, Platform.get()));

  Platform->BringToFront();
  Window focus = None;
  int revert = 0;
  XGetInputFocus(Client->Dpy(), &focus, &revert);
  EXPECT_EQ(focus, other) << "raising the overlay during play must leave the focus where it is";
  EXPECT_FALSE(Platform->IsApplicationActive());

  // A change of the screen's size is followed through RandR's monitor list
  // (X11MonitorsTest, on a server whose monitors can change).

  Overlay->Hide();
  SyncPlatform();
  ASSERT_TRUE(XGetWindowAttributes(Client->Dpy(), overlay, &attributes));
  EXPECT_EQ(attributes.map_state, IsUnmapped);
  XDestroyWindow(Client->Dpy(), other);
}

TEST_P(TX11OverlayTest, ShowsDrawnPixelsAndWhatIsBeneathBlack) {
  EXPECT_EQ(OwnSharedSegments() > 0, GetParam().Shm);
  const int width = TX11TestServer::ScreenWidth, height = TX11TestServer::ScreenHeight;

  // Frames as the game makes them: a small playfield enlarged 2.5 times.
  TTestPicture playfield(width * 2 / 5, height * 2 / 5);
  playfield.Fill(40, 40, 40, 40, Red);
  playfield.Fill(300, 200, 20, 10, Green);
  TTestPicture frame = Enlarge(playfield, width, height);
  const TPixelView source = playfield.View();
  Overlay->Present(frame.View(), &source);
  EXPECT_TRUE(PixelBecomes(150, 150, Red & 0xFFFFFF));
  EXPECT_TRUE(PixelBecomes(775, 512, Green & 0xFFFFFF));
  // A compositor may show its first picture of a new window before it has the
  // desktop's background to blend with: wait for what settles, not for one frame.
  EXPECT_TRUE(PixelBecomes(600, 150, Desktop));
  EXPECT_TRUE(PixelBecomes(10, 10, Desktop));
  EXPECT_TRUE(PixelBecomes(150, 300, Desktop));

  // Several frames, so that both images are used again; the red square moves away.
  for (int step = 1; step <= 2; ++step) {
    playfield.Fill(40, 40, 100, 100, 0);
    playfield.Fill(40 + 20 * step, 40, 40, 40, Red);
    frame = Enlarge(playfield, width, height);
    Overlay->Present(frame.View(), &source);
  }
  EXPECT_TRUE(PixelBecomes(275, 150, Red & 0xFFFFFF));
  EXPECT_TRUE(PixelBecomes(120, 150, Desktop)) << "where the square was, the desktop shows again";

  // A frame without its playfield is cut out from the picture itself.
  TTestPicture plain(width, height);
  plain.Fill(1000, 900, 5, 5, Green);
  Overlay->Present(plain.View());
  EXPECT_TRUE(PixelBecomes(1002, 902, Green & 0xFFFFFF));
  EXPECT_TRUE(PixelBecomes(275, 150, Desktop));
  EXPECT_EQ(Client->ScreenPixel(1006, 902), Desktop);
}

TEST_P(TX11OverlayTest, ALonePixelShowsNoDarkRimOverTheDesktop) {
  // One white playfield pixel, enlarged by the game's own enlargement.
  TBitmap32 playfield;
  playfield.SetSize(TX11TestServer::ScreenWidth * 2 / 5, TX11TestServer::ScreenHeight * 2 / 5);
  playfield.SetPixel(200, 100, 0x00FFFFFF);
  playfield.DrawMode = TDrawMode::Custom;
  playfield.SetResampler(std::make_unique<TMyLinearResampler>(TAlphaRule::Coverage));
  TBitmap32 frame;
  frame.SetSize(TX11TestServer::ScreenWidth, TX11TestServer::ScreenHeight);
  frame.Draw(frame.BoundsRect(), playfield.BoundsRect(), playfield);
  const TPixelView source = playfield.View();
  Overlay->Present(frame.View(), &source);
  // Screen pixel (501, 251) is the one most covered, by 0.9 x 0.9: white over a
  // compositor only when the shape's rule makes it so.
  if (GetParam().Compositor)
    ASSERT_TRUE(WaitUntil([&] { return Client->ScreenPixel(501, 251) != Desktop; }, Platform.get()));
  else
    ASSERT_TRUE(PixelBecomes(501, 251, 0xFFFFFF));

  // Around it (columns 497.5 to 505 and rows 248 to 255.5, and a margin), every pixel
  // is a mix of white and the desktop: with a compositor a soft edge, without one the
  // shape's pixels are white and the rest is the desktop.
  std::string wrong;
  const auto clean = [&] {
    for (int y = 243; y < 261; ++y)
      for (int x = 493; x < 510; ++x) {
        const uint32_t shown = Client->ScreenPixel(x, y);
        bool ok = shown == Desktop || shown == 0xFFFFFF;
        if (GetParam().Compositor) {
          ok = true;
          for (int shift = 0; shift < 24; shift += 8) ok = ok && ((shown >> shift) & 0xFF) + 1 >= ((Desktop >> shift) & 0xFF);
        }
        if (!ok) {
          std::ostringstream text;
          text << std::hex << shown << " at " << std::dec << x << "," << y;
          wrong = text.str();
          return false;
        }
      }
    return true;
  };
  EXPECT_TRUE(WaitUntil(clean, Platform.get())) << wrong;
}

TEST_P(TX11OverlayTest, FramesSentInPartsShowWhole) {
  const int width = TX11TestServer::ScreenWidth, height = TX11TestServer::ScreenHeight;
  TTestPicture playfield(width * 2 / 5, height * 2 / 5);
  playfield.Fill(40, 40, 40, 40, Red);
  TTestPicture frame = Enlarge(playfield, width, height);
  const TPixelView source = playfield.View();
  Overlay->Present(frame.View(), &source);
  // The square moves right 20 playfield pixels a frame; each frame names only the
  // screen area it swept. Three frames: the image written third lacks the second.
  for (int step = 1; step <= 3; ++step) {
    const int from = 40 + 20 * (step - 1);
    playfield.Fill(from, 40, 20, 40, 0);
    playfield.Fill(from + 40, 40, 20, 40, Red);
    frame = Enlarge(playfield, width, height);
    const std::vector<TPixelArea> swept{{from * 5 / 2 - 3, 97, 60 * 5 / 2 + 6, 106}};
    Overlay->PresentChanged(frame.View(), swept, &source);
  }
  EXPECT_TRUE(PixelBecomes(300, 150, Red & 0xFFFFFF));
  EXPECT_TRUE(PixelBecomes(160, 150, Desktop)) << "red in the first frame, which the third image held";
  EXPECT_TRUE(PixelBecomes(220, 150, Desktop));
  EXPECT_EQ(Client->ScreenPixel(600, 600), Desktop);
}

TEST_P(TX11OverlayWindowTest, SpritesThatMoveExposeTheWindowBeneathOnlyWhereTheyWere) {
  if (GetParam().Compositor) GTEST_SKIP() << "a compositor keeps every window's pixels: nothing is exposed";
  XSelectInput(Client->Dpy(), Beneath, ExposureMask | ButtonPressMask);
  const int width = TX11TestServer::ScreenWidth, height = TX11TestServer::ScreenHeight;
  // Two round sprites in opposite corners of the playfield, moving right a pixel a
  // frame: each leaves a sliver of many rectangles behind.
  TTestPicture playfield(width * 2 / 5, height * 2 / 5);
  const TPixelView source = playfield.View();
  const int farX = playfield.Width - 60, farY = playfield.Height - 40;
  const auto draw = [&](int shift) {
    playfield.Fill(0, 0, playfield.Width, playfield.Height, 0);
    for (const auto& [x, y] : {std::pair{30 + shift, 30}, std::pair{farX + shift, farY}})
      for (int dy = -16; dy <= 16; ++dy) {
        const int half = static_cast<int>(std::sqrt(256 - dy * dy));
        playfield.Fill(x - half, y + dy, 2 * half + 1, 1, Red);
      }
  };
  draw(0);
  Overlay->Present(Enlarge(playfield, width, height).View(), &source);
  SyncPlatform();
  XEvent event;
  Client->Sync();
  while (XCheckTypedWindowEvent(Client->Dpy(), Beneath, Expose, &event)) {}

  // The screen areas each sprite swept, with the margin the game's changed areas have.
  const auto swept = [](int x, int y, int shift) {
    return TPixelArea{(x - 17) * 5 / 2 - 3, (y - 17) * 5 / 2 - 3, (34 + shift) * 5 / 2 + 6, 34 * 5 / 2 + 6};
  };
  int exposures = 0;
  for (int step = 1; step <= 3; ++step) {
    draw(step);
    const std::vector<TPixelArea> changed{swept(30 + step - 1, 30, 1), swept(farX + step - 1, farY, 1)};
    Overlay->PresentChanged(Enlarge(playfield, width, height).View(), changed, &source);
    SyncPlatform();
    Client->Sync();
    while (XCheckTypedWindowEvent(Client->Dpy(), Beneath, Expose, &event)) {
      ++exposures;
      const XExposeEvent& e = event.xexpose;
      const bool nearOne = std::any_of(changed.begin(), changed.end(), [&](const TPixelArea& a) {
        return a.X <= e.x && e.x + e.width <= a.X + a.Width && a.Y <= e.y && e.y + e.height <= a.Y + a.Height;
      });
      EXPECT_TRUE(nearOne) << "frame " << step << " exposed " << e.width << " x " << e.height << " at " << e.x << ","
                           << e.y << ": the window beneath must draw all of that again";
    }
  }
  EXPECT_GT(exposures, 0) << "the places the sprites left were exposed";
}

TEST_P(TX11OverlayWindowTest, ClicksPassThroughBlackOnly) {
  TTestPicture frame(TX11TestServer::ScreenWidth, TX11TestServer::ScreenHeight);
  frame.Fill(300, 300, 100, 100, Red);
  Overlay->Present(frame.View());
  ASSERT_TRUE(PixelBecomes(350, 350, Red & 0xFFFFFF));
  const Window overlay = OverlayId();

  // The pointer comes over the red square; the input shape follows it there.
  Client->MovePointer(350, 350);
  const auto catches = [&](int x, int y) {
    int count = 0, ordering = 0;
    XRectangle* rects = XShapeGetRectangles(Client->Dpy(), overlay, ShapeInput, &count, &ordering);
    bool inside = false;
    for (int i = 0; i < count; ++i)
      inside = inside || (x >= rects[i].x && x < rects[i].x + rects[i].width && y >= rects[i].y &&
                          y < rects[i].y + rects[i].height);
    if (rects != nullptr) XFree(rects);
    return inside;
  };
  ASSERT_TRUE(WaitUntil([&] { return catches(350, 350); }, Platform.get()));
  EXPECT_FALSE(catches(250, 350));
  Client->Click(Button1);

  // Then over black beside it, which must pass the click to the window beneath.
  Client->MovePointer(600, 350);
  Platform->ProcessMessages();
  Client->Click(Button1);

  XEvent event;
  ASSERT_TRUE(WaitUntil([&] { return XCheckTypedWindowEvent(Client->Dpy(), Beneath, ButtonPress, &event); }));
  EXPECT_EQ(event.xbutton.x_root, 600) << "the click on the red square went through";
  Client->Sync();
  EXPECT_FALSE(XCheckTypedWindowEvent(Client->Dpy(), Beneath, ButtonPress, &event));
}

// A server of its own: the compositor comes and goes while the game runs.
TEST(TX11OverlayCompositor, AWindowMadeAnewFollowsACompositorStartingAndStopping) {
  TX11TestServer server(false);
  TX11TestClient client(server);
  XSetWindowBackground(client.Dpy(), client.Root(), Desktop);
  XClearWindow(client.Dpy(), client.Root());
  std::unique_ptr<TX11Platform> platform = client.MakePlatform();
  ASSERT_NE(platform, nullptr);
  std::unique_ptr<TPlatformWindow> overlay = platform->CreateWindow(TWindowKind::Overlay);
  overlay->Show();
  const auto shownDepth = [&] {
    const std::vector<Window> own = client.OwnWindows();
    XWindowAttributes attributes;
    if (own.size() != 1 || !XGetWindowAttributes(client.Dpy(), own[0], &attributes)) return 0;
    return attributes.map_state == IsViewable ? attributes.depth : -1;
  };
  // Once the server has mapped it (the platform's requests are its own to flush).
  EXPECT_TRUE(WaitUntil([&] { return shownDepth() == 24; }, platform.get()));
  server.StartCompositor();
  EXPECT_TRUE(WaitUntil([&] { return shownDepth() == 32; }, platform.get()));
  server.StopCompositor();
  EXPECT_TRUE(WaitUntil([&] { return shownDepth() == 24; }, platform.get()));

  TTestPicture frame(TX11TestServer::ScreenWidth, TX11TestServer::ScreenHeight);
  frame.Fill(10, 10, 10, 10, Red);
  overlay->Present(frame.View());
  EXPECT_TRUE(WaitUntil([&] { return client.ScreenPixel(15, 15) == (Red & 0xFFFFFF); }, platform.get()));
  EXPECT_EQ(client.ScreenPixel(30, 30), Desktop);
}

// A display of depth 16: the frame's colours cut to 5, 6 and 5 bits, whole frames and parts.
TEST(TX11OverlayDepth16, FramesShowInTheDisplaysOwnPixelsWholeAndInParts) {
  TPrivateXServer server(640, 480, false, 16);
  setenv("DISPLAY", server.Name().c_str(), 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  Display* dpy = XOpenDisplay(server.Name().c_str());
  ASSERT_NE(dpy, nullptr);
  std::string error;
  std::unique_ptr<TPlatform> platform = CreateX11Platform(error);
  ASSERT_NE(platform, nullptr) << error;
  std::unique_ptr<TPlatformWindow> overlay = platform->CreateWindow(TWindowKind::Overlay);
  overlay->Show();
  const auto shown = [&](int x, int y) {
    XImage* image = XGetImage(dpy, DefaultRootWindow(dpy), x, y, 1, 1, AllPlanes, ZPixmap);
    const unsigned long pixel = image != nullptr ? XGetPixel(image, 0, 0) : 0xDEAD;
    if (image != nullptr) XDestroyImage(image);
    return pixel;
  };
  TTestPicture frame(640, 480);
  frame.Fill(100, 100, 20, 20, 0xFFFF8040);
  frame.Fill(300, 200, 20, 20, 0xFF20C0FF);
  overlay->Present(frame.View());
  EXPECT_TRUE(WaitUntil([&] { return shown(110, 110) == 0xFC08; }, platform.get())) << std::hex << shown(110, 110);
  EXPECT_EQ(shown(319, 219), 0x261Fu);
  EXPECT_EQ(shown(50, 50), 0u) << "the root beneath, black";

  frame.Fill(100, 100, 20, 20, 0xFF00FF00);
  overlay->PresentChanged(frame.View(), {{100, 100, 20, 20}});
  EXPECT_TRUE(WaitUntil([&] { return shown(110, 110) == 0x07E0; }, platform.get())) << std::hex << shown(110, 110);
  EXPECT_EQ(shown(319, 219), 0x261Fu) << "left as it was";
  overlay.reset();
  platform.reset();
  XCloseDisplay(dpy);
}

TEST(TX11ConnectionDeathTest, ALostDisplayEndsTheProgramWithAMessage) {
  EXPECT_EXIT(
      {
        TX11TestServer server(false);
        TX11TestClient client(server);
        std::unique_ptr<TX11Platform> platform = client.MakePlatform();
        std::unique_ptr<TPlatformWindow> overlay = platform->CreateWindow(TWindowKind::Overlay);
        overlay->Show();
        server.Kill();
        for (int pass = 0; pass < 100; ++pass) {
          platform->WaitForMessage(100);
          platform->ProcessMessages();
          platform->MouseButtonsDown();
        }
      },
      testing::ExitedWithCode(1), "connection to the X display was lost");
}

INSTANTIATE_TEST_SUITE_P(X11, TX11OverlayTest,
                         testing::Values(TOverlayCase{false, true}, TOverlayCase{false, false},
                                         TOverlayCase{true, true}, TOverlayCase{true, false}),
                         CaseName);
INSTANTIATE_TEST_SUITE_P(X11, TX11OverlayWindowTest, testing::Values(TOverlayCase{false, true}, TOverlayCase{true, true}),
                         CaseName);

}  // namespace
