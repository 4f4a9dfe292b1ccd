// Preloaded into the game by tools/bench: notes when the first picture with anything
// visible in it is put into a window, which is the start-up figure, and counts the
// frames shown.
//
// BLASTOVER_PROBE_START holds the wall clock in nanoseconds (CLOCK_REALTIME) taken
// just before the program was started; the milliseconds since then are written to
// the file named by BLASTOVER_PROBE_OUT. Only pictures as large as the screen count
// (not a cursor's), and the set-up's see-through black ones do not: the first frame
// of play shows at least the head-up display.
//
// Every frame sent through MIT-SHM ends with the one put that asks the server to
// report its completion, and so does each repaint of an exposed part: the puts that
// follow an Expose are not counted. The count and the monotonic clock are written to
// the file named by BLASTOVER_PROBE_FRAMES every eighth frame, as "FRAMES NANOSECONDS".
#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

bool Seen = false;

// Pixels of 32 bits (alpha not counted) or of 16 (a display of depth 16).
bool ShowsAnything(const XImage* image) {
  if (image == nullptr || image->data == nullptr) return false;
  if (image->bits_per_pixel != 32 && image->bits_per_pixel != 16) return false;
  for (int y = 0; y < image->height; ++y) {
    const char* row = image->data + static_cast<long>(y) * image->bytes_per_line;
    for (int x = 0; x < image->width; ++x) {
      const bool lit = image->bits_per_pixel == 32 ? (reinterpret_cast<const uint32_t*>(row)[x] & 0x00FFFFFFu) != 0
                                                   : reinterpret_cast<const uint16_t*>(row)[x] != 0;
      if (lit) return true;
    }
  }
  return false;
}

void Note(Display* dpy, const XImage* image, unsigned width, unsigned height) {
  const int screen = DefaultScreen(dpy);
  const bool wholeScreen = static_cast<int>(width) == DisplayWidth(dpy, screen) &&
                           static_cast<int>(height) == DisplayHeight(dpy, screen);
  if (Seen || !wholeScreen || !ShowsAnything(image)) return;
  Seen = true;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  const char* start = std::getenv("BLASTOVER_PROBE_START");
  const char* out = std::getenv("BLASTOVER_PROBE_OUT");
  if (start == nullptr || out == nullptr) return;
  const double ms = (static_cast<double>(now.tv_sec) * 1e9 + now.tv_nsec - std::strtod(start, nullptr)) / 1e6;
  if (FILE* file = std::fopen(out, "w")) {
    std::fprintf(file, "%.1f\n", ms);
    std::fclose(file);
  }
}

// Exposures read and not yet repainted.
long RepaintsDue = 0;

void CountFrame() {
  if (RepaintsDue > 0) {
    --RepaintsDue;
    return;
  }
  static long frames = 0;
  static const char* out = std::getenv("BLASTOVER_PROBE_FRAMES");
  if (out == nullptr || ++frames % 8 != 0) return;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  if (FILE* file = std::fopen(out, "w")) {
    std::fprintf(file, "%ld %lld\n", frames, static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    std::fclose(file);
  }
}

}  // namespace

extern "C" Bool XShmPutImage(Display* dpy, Drawable d, GC gc, XImage* image, int sx, int sy, int dx, int dy,
                             unsigned width, unsigned height, Bool sendEvent) {
  using TPut = Bool (*)(Display*, Drawable, GC, XImage*, int, int, int, int, unsigned, unsigned, Bool);
  static const auto next = reinterpret_cast<TPut>(dlsym(RTLD_NEXT, "XShmPutImage"));
  Note(dpy, image, width, height);
  if (sendEvent) CountFrame();
  return next(dpy, d, gc, image, sx, sy, dx, dy, width, height, sendEvent);
}

extern "C" int XPutImage(Display* dpy, Drawable d, GC gc, XImage* image, int sx, int sy, int dx, int dy,
                         unsigned width, unsigned height) {
  using TPut = int (*)(Display*, Drawable, GC, XImage*, int, int, int, int, unsigned, unsigned);
  static const auto next = reinterpret_cast<TPut>(dlsym(RTLD_NEXT, "XPutImage"));
  Note(dpy, image, width, height);
  return next(dpy, d, gc, image, sx, sy, dx, dy, width, height);
}

extern "C" int XNextEvent(Display* dpy, XEvent* event) {
  using TNext = int (*)(Display*, XEvent*);
  static const auto next = reinterpret_cast<TNext>(dlsym(RTLD_NEXT, "XNextEvent"));
  const int result = next(dpy, event);
  if (event->type == Expose) ++RepaintsDue;
  return result;
}
