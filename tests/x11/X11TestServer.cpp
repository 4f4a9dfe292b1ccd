// The tests' X servers, the test's own X client, and what the tests read from the screen.
// GoogleTest comes before the X headers, whose macros (None, Bool) break its own.
#include <gtest/gtest.h>

#include "X11TestServer.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "platform/PngCodec.h"
#include "platform/Resources.h"

namespace {

std::unique_ptr<TX11TestServer> SharedServers[2];

// The programs a test watches make and end windows while it looks at them (Wine does
// so all the time): a window gone between listing it and asking about it is no failure,
// while Xlib's own handler would end the whole test program.
int PassOverVanishedWindows(Display* dpy, XErrorEvent* error) {
  if (error->error_code == BadWindow || error->error_code == BadDrawable) return 0;
  char text[160] = {};
  XGetErrorText(dpy, error->error_code, text, sizeof text);
  ADD_FAILURE() << "X error from the test's own requests: " << text << " (request " << int{error->request_code}
                << ")";
  return 0;
}

}  // namespace

TX11TestServer::TX11TestServer(bool compositor) : Server(ScreenWidth, ScreenHeight, true) {
  if (compositor) StartCompositor();
}

TX11TestServer& TX11TestServer::Shared(bool compositor) {
  std::unique_ptr<TX11TestServer>& server = SharedServers[compositor ? 1 : 0];
  if (server == nullptr) server = std::make_unique<TX11TestServer>(compositor);
  return *server;
}

void TX11TestServer::StopShared() {
  for (auto& server : SharedServers) server.reset();
}

std::vector<uint32_t> TX11TestServer::ShownPixels(int left, int top, int width, int height) const {
  std::vector<uint32_t> pixels;
  std::ifstream file(Server.ScreenFile(), std::ios::binary);
  // The XWD header: 25 big-endian 32-bit fields, then the window name, then the colours.
  unsigned char header[100] = {};
  if (!file.read(reinterpret_cast<char*>(header), sizeof header)) return pixels;
  const auto field = [&](int i) {
    return uint32_t{header[4 * i]} << 24 | uint32_t{header[4 * i + 1]} << 16 | uint32_t{header[4 * i + 2]} << 8 |
           header[4 * i + 3];
  };
  const uint32_t headerSize = field(0), byteOrder = field(7), bitsPerPixel = field(11), bytesPerLine = field(12);
  const uint32_t colours = field(19);
  constexpr uint32_t ColourEntrySize = 12;
  if (bitsPerPixel != 32) return pixels;
  const std::streamoff start = headerSize + colours * ColourEntrySize;
  std::vector<unsigned char> row(static_cast<size_t>(width) * 4);
  for (int y = top; y < top + height; ++y) {
    file.seekg(start + static_cast<std::streamoff>(y) * bytesPerLine + static_cast<std::streamoff>(left) * 4);
    if (!file.read(reinterpret_cast<char*>(row.data()), static_cast<std::streamsize>(row.size()))) return {};
    for (int x = 0; x < width; ++x) {
      const unsigned char* b = &row[static_cast<size_t>(x) * 4];
      const uint32_t value = byteOrder == LSBFirst ? uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16
                                                   : uint32_t{b[3]} | uint32_t{b[2]} << 8 | uint32_t{b[1]} << 16;
      pixels.push_back(value);
    }
  }
  return pixels;
}

TX11TestClient::TX11TestClient(const TX11TestServer& server)
    : Server(server), Handle(XOpenDisplay(server.Name().c_str())) {
  if (Handle == nullptr) throw std::runtime_error("cannot open the test server " + server.Name());
  // Only in place of Xlib's own handler: a back end made in the test has one that logs.
  const XErrorHandler previous = XSetErrorHandler(nullptr);
  const XErrorHandler xlibOwn = XSetErrorHandler(previous);
  if (previous == xlibOwn) XSetErrorHandler(PassOverVanishedWindows);
}

TX11TestClient::~TX11TestClient() { XCloseDisplay(Handle); }

std::unique_ptr<TX11Platform> TX11TestClient::MakePlatform() {
  setenv("DISPLAY", Server.Name().c_str(), 1);
  // The platform opens an audio output too: a silent one, whatever the machine has.
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  std::string error;
  std::unique_ptr<TPlatform> platform = CreateX11Platform(error);
  EXPECT_NE(platform, nullptr) << error;
  return std::unique_ptr<TX11Platform>(dynamic_cast<TX11Platform*>(platform.release()));
}

Window TX11TestClient::MakeWindow(int x, int y, int width, int height, uint32_t colour, long eventMask) {
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.background_pixel = colour;
  attributes.event_mask = eventMask;
  const Window window =
      XCreateWindow(Handle, Root(), x, y, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                    CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel | CWEventMask,
                    &attributes);
  XMapRaised(Handle, window);
  XSync(Handle, False);
  return window;
}

uint32_t TX11TestClient::ScreenPixel(int x, int y) {
  XImage* image = XGetImage(Handle, Root(), x, y, 1, 1, AllPlanes, ZPixmap);
  if (image == nullptr) return 0xDEADBEEF;
  const uint32_t pixel = static_cast<uint32_t>(XGetPixel(image, 0, 0)) & 0xFFFFFF;
  XDestroyImage(image);
  return pixel;
}

std::vector<Window> TX11TestClient::OwnWindows() {
  std::vector<Window> found;
  Window root = None, parent = None, *children = nullptr;
  unsigned count = 0;
  XQueryTree(Handle, Root(), &root, &parent, &children, &count);
  for (unsigned i = 0; i < count; ++i) {
    XClassHint hint{};
    if (!XGetClassHint(Handle, children[i], &hint)) continue;
    if (hint.res_name != nullptr && std::string(hint.res_name) == "blastover") found.push_back(children[i]);
    XFree(hint.res_name);
    XFree(hint.res_class);
  }
  if (children != nullptr) XFree(children);
  return found;
}

std::vector<Window> TX11TestClient::StackedWindows() {
  std::vector<Window> stacked;
  Window root = None, parent = None, *children = nullptr;
  unsigned count = 0;
  XQueryTree(Handle, Root(), &root, &parent, &children, &count);
  for (unsigned i = 0; i < count; ++i) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(Handle, children[i], &attributes) && attributes.map_state == IsViewable)
      stacked.push_back(children[i]);
  }
  if (children != nullptr) XFree(children);
  return stacked;
}

void TX11TestClient::MovePointer(int x, int y) {
  XTestFakeMotionEvent(Handle, 0, x, y, CurrentTime);
  XSync(Handle, False);
}

void TX11TestClient::Click(unsigned button) {
  XTestFakeButtonEvent(Handle, button, True, CurrentTime);
  XTestFakeButtonEvent(Handle, button, False, CurrentTime);
  XSync(Handle, False);
}

void TX11TestClient::Key(KeySym symbol, bool press) {
  XTestFakeKeyEvent(Handle, XKeysymToKeycode(Handle, symbol), press ? True : False, CurrentTime);
  XSync(Handle, False);
}

void TX11TestClient::KeyAt(KeyCode code, bool press) {
  XTestFakeKeyEvent(Handle, code, press ? True : False, CurrentTime);
  XSync(Handle, False);
}

pid_t TapKeyLater(const std::string& display, KeySym symbol, int delayMs) {
  const pid_t child = fork();
  if (child != 0) return child;
  std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
  Display* dpy = XOpenDisplay(display.c_str());
  if (dpy == nullptr) _exit(1);
  const KeyCode key = XKeysymToKeycode(dpy, symbol);
  XTestFakeKeyEvent(dpy, key, True, CurrentTime);
  XTestFakeKeyEvent(dpy, key, False, CurrentTime);
  XSync(dpy, False);
  // No XCloseDisplay and no exit(): the parent's objects are not this process's to end.
  _exit(0);
}

bool WaitUntil(const std::function<bool()>& condition, TPlatform* platform, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (true) {
    if (platform != nullptr) platform->ProcessMessages();
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void TTestPicture::Fill(int left, int top, int width, int height, uint32_t colour) {
  for (int y = std::max(top, 0); y < std::min(top + height, Height); ++y)
    for (int x = std::max(left, 0); x < std::min(left + width, Width); ++x) Pixels[static_cast<size_t>(y) * Width + x] = colour;
}

TTestPicture Enlarge(const TTestPicture& source, int width, int height) {
  struct TTap {
    int Near, Far;
    double Weight;
  };
  const auto axis = [](int from, int to) {
    std::vector<TTap> taps;
    for (int d = 0; d < to; ++d) {
      double u = (d + 0.5) * from / to - 0.5;
      u = std::clamp(u, 0.0, static_cast<double>(from - 1));
      const int near = static_cast<int>(std::floor(u));
      taps.push_back({near, std::min(near + 1, from - 1), u - near});
    }
    return taps;
  };
  const std::vector<TTap> columns = axis(source.Width, width), rows = axis(source.Height, height);
  TTestPicture result(width, height);
  for (int y = 0; y < height; ++y) {
    const TTap& row = rows[static_cast<size_t>(y)];
    for (int x = 0; x < width; ++x) {
      const TTap& column = columns[static_cast<size_t>(x)];
      const uint32_t corners[4] = {source.At(column.Near, row.Near), source.At(column.Far, row.Near),
                                   source.At(column.Near, row.Far), source.At(column.Far, row.Far)};
      uint32_t pixel = 0;
      if ((corners[0] | corners[1] | corners[2] | corners[3]) != 0) {
        for (int shift = 0; shift < 32; shift += 8) {
          const auto channel = [&](int i) { return static_cast<double>((corners[i] >> shift) & 0xFF); };
          const double top = channel(0) * (1 - column.Weight) + channel(1) * column.Weight;
          const double bottom = channel(2) * (1 - column.Weight) + channel(3) * column.Weight;
          pixel |= static_cast<uint32_t>(std::lround(top * (1 - row.Weight) + bottom * row.Weight)) << shift;
        }
      }
      result.Pixels[static_cast<size_t>(y) * width + x] = pixel;
    }
  }
  return result;
}

TCursorPicture CurrentCursor(Display* dpy) {
  TCursorPicture result;
  XFixesCursorImage* image = XFixesGetCursorImage(dpy);
  if (image == nullptr) return result;
  result = {image->width, image->height, image->xhot, image->yhot, {}};
  for (int i = 0; i < image->width * image->height; ++i) result.Pixels.push_back(static_cast<uint32_t>(image->pixels[i]));
  XFree(image);
  return result;
}

TCursorPicture GunCursor(const std::string& name) {
  const std::span<const uint8_t> data = FindResource(TResourceKind::Cursor, name);
  EXPECT_FALSE(data.empty()) << "no cursor " << name;
  if (data.empty()) return {};
  const TDecodedPng png = DecodePng(data);
  TCursorPicture result{png.Width, png.Height, 0, 0, {}};
  for (const uint32_t pixel : png.Pixels) {
    const uint32_t alpha = pixel >> 24;
    const auto scale = [alpha](uint32_t channel) { return (channel * alpha + 127) / 255; };
    result.Pixels.push_back(alpha << 24 | scale((pixel >> 16) & 0xFF) << 16 | scale((pixel >> 8) & 0xFF) << 8 |
                            scale(pixel & 0xFF));
  }
  return result;
}

std::vector<std::string> GunCursorNames() {
  std::vector<std::string> names;
  for (int n = 0; n <= 9; ++n) names.push_back("MOUSEARROW" + std::to_string(n));
  names.insert(names.end(), {"MOUSEFULL", "MOUSERED", "MOUSEGOLD", "MOUSEEMPTY"});
  return names;
}
