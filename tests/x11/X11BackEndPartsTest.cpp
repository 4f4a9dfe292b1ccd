// Parts of the X11 back end that need no server: see-through regions, key codes, pixel formats, starting programs.
// GoogleTest comes before the X headers, whose macros (None, Bool) break its own.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <array>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <random>

#include "X11TestServer.h"
#include "platform/x11/PixelPacker.h"
#include "platform/x11/ProcessLauncher.h"
#include "platform/x11/VisibleRegion.h"
#include "platform/x11/X11Keyboard.h"

namespace {

// The rectangles painted into a mask, failing on overlaps and on bands out of order.
std::vector<uint8_t> Paint(const TRegionRects& rects, int width, int height) {
  std::vector<uint8_t> mask(static_cast<size_t>(width) * height, 0);
  for (size_t i = 0; i < rects.size(); ++i) {
    const TRegionRect& r = rects[i];
    if (i > 0) {
      const TRegionRect& p = rects[i - 1];
      const bool sameBand = p.Y == r.Y && p.Height == r.Height;
      EXPECT_TRUE(sameBand ? p.X + p.Width < r.X : p.Y + p.Height <= r.Y) << "rectangle " << i << " is not YX-banded";
    }
    for (int y = r.Y; y < r.Y + r.Height; ++y)
      for (int x = r.X; x < r.X + r.Width; ++x) {
        EXPECT_TRUE(x >= 0 && x < width && y >= 0 && y < height);
        if (x >= 0 && x < width && y >= 0 && y < height) mask[static_cast<size_t>(y) * width + x] = 1;
      }
  }
  return mask;
}

TTestPicture RandomSprites(int width, int height, unsigned seed) {
  TTestPicture picture(width, height);
  std::mt19937 random(seed);
  for (int i = 0; i < 12; ++i) {
    const int w = 1 + static_cast<int>(random() % 9), h = 1 + static_cast<int>(random() % 9);
    // Dark colours too: their blend with black rounds to black at the edges.
    const uint32_t colour = 0xFF000000 | (random() & 0x0F0F0F) | 0x000001;
    picture.Fill(static_cast<int>(random() % width), static_cast<int>(random() % height), w, h, colour);
  }
  return picture;
}

// The shape of a Width x Height frame enlarged from Source: the pixels whose centre
// falls on a source pixel that covers its place.
std::vector<uint8_t> PlayfieldMask(const TTestPicture& source, int width, int height) {
  std::vector<uint8_t> mask(static_cast<size_t>(width) * height, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int sx = std::min(source.Width - 1, static_cast<int>((x + 0.5) * source.Width / width));
      const int sy = std::min(source.Height - 1, static_cast<int>((y + 0.5) * source.Height / height));
      mask[static_cast<size_t>(y) * width + x] = (source.At(sx, sy) & 0x00FFFFFF) != 0;
    }
  return mask;
}

// Takes a frame's changes, area after area, into the mask of the shape before it: what
// left must have been in it and what joined must not.
void ApplyChanges(std::vector<uint8_t>& mask, int width, int height, const std::vector<TShapeChange>& changes) {
  for (const TShapeChange& change : changes) {
    const std::vector<uint8_t> removed = Paint(change.Removed, width, height);
    const std::vector<uint8_t> added = Paint(change.Added, width, height);
    for (size_t i = 0; i < mask.size(); ++i) {
      EXPECT_TRUE(!removed[i] || mask[i]) << "a pixel left the shape that was not in it";
      EXPECT_TRUE(!added[i] || !mask[i]) << "a pixel joined the shape that was in it";
      mask[i] = (mask[i] && !removed[i]) || added[i];
    }
  }
}

// A disc of Colour with its centre at (X, Y).
void FillDisc(TTestPicture& picture, int x, int y, int radius, uint32_t colour) {
  for (int dy = -radius; dy <= radius; ++dy) {
    const int half = static_cast<int>(std::sqrt(radius * radius - dy * dy));
    picture.Fill(x - half, y + dy, 2 * half + 1, 1, colour);
  }
}

TEST(TVisibleRegion, ExactRectsHoldThePixelsCoveredAtLeastHalf) {
  TTestPicture picture(40, 30);
  picture.Fill(5, 5, 10, 10, 0xFF102030);
  picture.Fill(20, 8, 3, 3, 0x80000001);   // covered half: in the shape
  picture.Fill(30, 20, 4, 4, 0x7F7F7F7F);  // covered a little less: see-through
  const TRegionRects all = VisibleRects(picture.View(), 0, 0, 40, 30);
  const std::vector<uint8_t> mask = Paint(all, 40, 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) EXPECT_EQ(mask[static_cast<size_t>(y) * 40 + x] != 0, InShape(picture.At(x, y)));
  // The square's identical rows make one band: the square is a single rectangle.
  EXPECT_EQ(all.front(), (TRegionRect{5, 5, 10, 3}));
  EXPECT_EQ(all.size(), 4u);

  // Clipped to a box around a point, even a box reaching past the picture.
  EXPECT_EQ(VisibleRects(picture.View(), -3, -3, 10, 10), (TRegionRects{{5, 5, 2, 2}}));
  EXPECT_TRUE(VisibleRects(picture.View(), 100, 100, 10, 10).empty());
  EXPECT_TRUE(VisibleRects(TPixelView{}, 0, 0, 10, 10).empty());
}

TEST(TVisibleRegion, TheShapeKeptRowByRowIsTheWholeFramesShapeFrameAfterFrame) {
  // A frame of sprites enlarged as the game's are (edges half covered and less), then
  // frames in which some move: only their old and new places are named as changed.
  const TTestPicture source = RandomSprites(96, 54, 11);
  TTestPicture frame = Enlarge(source, 240, 135);
  TShapeRows shape;
  EXPECT_TRUE(shape.Update(frame.View(), nullptr));
  EXPECT_EQ(shape.Rects(), VisibleRects(frame.View(), 0, 0, 240, 135));
  std::mt19937 random(5);
  for (int step = 0; step < 30; ++step) {
    std::vector<TPixelArea> changed;
    for (int i = 0; i < 3; ++i) {
      const TPixelArea area{static_cast<int>(random() % 230), static_cast<int>(random() % 125), 10, 10};
      const uint32_t covers = step % 3 == 0 ? 0x40000000 : 0xFF204060;  // a third of them see-through
      frame.Fill(area.X, area.Y, area.Width, area.Height, (i == 0 ? 0u : covers));
      changed.push_back(area);
    }
    const TRegionRects before = shape.Rects();
    std::vector<uint8_t> mask = Paint(before, 240, 135);
    const bool differs = shape.Update(frame.View(), &changed);
    ASSERT_EQ(shape.Rects(), VisibleRects(frame.View(), 0, 0, 240, 135)) << "step " << step;
    EXPECT_EQ(differs, shape.Rects() != before) << "step " << step;
    // What the frame says changed, taken into the shape before, gives the new one.
    ApplyChanges(mask, 240, 135, shape.Changes());
    ASSERT_EQ(mask, Paint(shape.Rects(), 240, 135)) << "step " << step;
  }
  // A frame that changes nothing it names, and one of another size, read whole.
  const std::vector<TPixelArea> none;
  EXPECT_FALSE(shape.Update(frame.View(), &none));
  const TTestPicture small(20, 10, 0xFF0000FF);
  EXPECT_TRUE(shape.Update(small.View(), &none));
  EXPECT_EQ(shape.Rects(), (TRegionRects{{0, 0, 20, 10}}));
  shape.Reset();
  EXPECT_TRUE(shape.Rects().empty());
  EXPECT_TRUE(shape.Update(small.View(), &none));
}

TEST(TVisibleRegion, AShapeFromThePlayfieldFollowsThePixelEachCentreFallsOn) {
  // The game's 2.5 times, and a ratio that is no simple fraction.
  for (const auto& [width, height, sourceWidth, sourceHeight] :
       std::vector<std::array<int, 4>>{{240, 135, 96, 54}, {341, 192, 136, 77}}) {
    TTestPicture source = RandomSprites(sourceWidth, sourceHeight, 3);
    TTestPicture frame = Enlarge(source, width, height);
    TShapeRows shape;
    TPixelView view = source.View();
    ASSERT_TRUE(shape.Update(frame.View(), nullptr, &view));
    EXPECT_TRUE(shape.ReadWhole());
    ASSERT_EQ(Paint(shape.Rects(), width, height), PlayfieldMask(source, width, height));

    // Sprites appear, vanish and move on the playfield; each frame names the screen
    // areas around the source pixels it changed.
    std::mt19937 random(7);
    for (int step = 0; step < 20; ++step) {
      std::vector<TPixelArea> changed;
      for (int i = 0; i < 3; ++i) {
        const int x = static_cast<int>(random() % (sourceWidth - 6)), y = static_cast<int>(random() % (sourceHeight - 6));
        source.Fill(x, y, 6, 6, i == 0 ? 0u : 0xFF204060);
        changed.push_back({x * width / sourceWidth - 2, y * height / sourceHeight - 2, 6 * width / sourceWidth + 5,
                           6 * height / sourceHeight + 5});
      }
      frame = Enlarge(source, width, height);
      std::vector<uint8_t> mask = Paint(shape.Rects(), width, height);
      shape.Update(frame.View(), &changed, &view);
      EXPECT_FALSE(shape.ReadWhole());
      ASSERT_EQ(Paint(shape.Rects(), width, height), PlayfieldMask(source, width, height)) << "step " << step;
      ApplyChanges(mask, width, height, shape.Changes());
      ASSERT_EQ(mask, Paint(shape.Rects(), width, height)) << "step " << step;
    }
    // The same frame given without its playfield is cut from its own pixels.
    EXPECT_TRUE(shape.Update(frame.View(), nullptr));
    EXPECT_EQ(shape.Rects(), VisibleRects(frame.View(), 0, 0, width, height));
  }

  // A round sprite's edge steps with the playfield's pixels, not with the screen's:
  // its shape takes several times fewer rectangles than one cut from the enlargement.
  TTestPicture disc(96, 54);
  FillDisc(disc, 48, 27, 20, 0xFFE0C020);
  const TTestPicture frame = Enlarge(disc, 240, 135);
  TShapeRows shape;
  const TPixelView view = disc.View();
  shape.Update(frame.View(), nullptr, &view);
  EXPECT_LE(shape.Rects().size() * 2, VisibleRects(frame.View(), 0, 0, 240, 135).size());
}

TEST(TVisibleRegion, ShapeChangesAreSentInRequestsThatExposeOnlyNearTheirAreas) {
  // Two discs far apart each move right by a playfield pixel: each leaves a sliver of
  // many rectangles behind. Two little discs, far apart too, leave a few each.
  TTestPicture source(400, 100);
  const auto draw = [&](int shift) {
    source.Fill(0, 0, 400, 100, 0);
    FillDisc(source, 30 + shift, 40, 16, 0xFFFFFFFF);
    FillDisc(source, 360 + shift, 60, 16, 0xFFFFFFFF);
    FillDisc(source, 60 + shift, 40, 2, 0xFFFFFFFF);
    FillDisc(source, 330 + shift, 20, 2, 0xFFFFFFFF);
  };
  draw(0);
  TTestPicture frame = Enlarge(source, 1000, 250);
  TShapeRows shape;
  const TPixelView view = source.View();
  shape.Update(frame.View(), nullptr, &view);
  draw(1);
  frame = Enlarge(source, 1000, 250);
  const std::vector<TPixelArea> changed{{20, 50, 140, 90}, {130, 85, 30, 30}, {810, 35, 30, 30}, {850, 100, 140, 90}};
  std::vector<uint8_t> before = Paint(shape.Rects(), 1000, 250);
  ASSERT_TRUE(shape.Update(frame.View(), &changed, &view));

  const std::vector<uint8_t> removedAll = [&] {
    std::vector<uint8_t> after = before;
    ApplyChanges(after, 1000, 250, shape.Changes());
    std::vector<uint8_t> removed(after.size());
    for (size_t i = 0; i < after.size(); ++i) removed[i] = before[i] && !after[i];
    return removed;
  }();
  const int64_t spread = 100 * static_cast<int64_t>(shape.Rects().size());
  const std::vector<TRegionRects> batches = BatchRemovals(shape.Changes(), 20, spread);
  std::vector<uint8_t> sent(removedAll.size(), 0);
  for (const TRegionRects& batch : batches) {
    int left = 1000, right = 0, top = 250, bottom = 0;
    for (const TRegionRect& r : batch) {
      left = std::min(left, r.X), right = std::max(right, r.X + r.Width);
      top = std::min(top, r.Y), bottom = std::max(bottom, r.Y + r.Height);
    }
    // Either the server exposes the rectangles themselves, or their box, which stays
    // within one of the areas the frame named.
    const bool withinAnArea = std::any_of(changed.begin(), changed.end(), [&](const TPixelArea& a) {
      return a.X <= left && right <= a.X + a.Width && a.Y <= top && bottom <= a.Y + a.Height;
    });
    EXPECT_TRUE(batch.size() <= 20 || withinAnArea)
        << batch.size() << " rectangles across " << right - left << " x " << bottom - top;
    const std::vector<uint8_t> painted = Paint(batch, 1000, 250);
    for (size_t i = 0; i < sent.size(); ++i) sent[i] |= painted[i];
  }
  EXPECT_EQ(sent, removedAll) << "the requests remove exactly what left the shape";
  EXPECT_EQ(batches.size(), 3u) << "the little discs go in one request";
}

TEST(TVirtualKeys, KeysTranslateAsTheMenuExpects) {
  struct TCase {
    KeySym Typed, Unshifted;
    uint16_t Code;
  };
  const TCase cases[] = {
      {XK_a, XK_a, 'A'},           {XK_A, XK_a, 'A'},          {XK_exclam, XK_1, '1'},
      {XK_KP_1, XK_KP_End, 97},    {XK_KP_0, XK_KP_Insert, 96}, {XK_KP_9, XK_KP_Prior, 105},
      {XK_KP_End, XK_KP_End, 35},  {XK_KP_Enter, XK_KP_Enter, VK_RETURN},
      {XK_F1, XK_F1, VK_F1},       {XK_F12, XK_F12, 123},      {XK_Return, XK_Return, VK_RETURN},
      {XK_BackSpace, XK_BackSpace, VK_BACK}, {XK_Escape, XK_Escape, VK_ESCAPE}, {XK_Delete, XK_Delete, VK_DELETE},
      {XK_period, XK_period, 0},   {XK_minus, XK_minus, 0},    {XK_Shift_L, XK_Shift_L, 0},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(VirtualKeyOf(c.Typed, TKeySymbols::Single(c.Unshifted)), c.Code) << XKeysymToString(c.Typed);
}

TEST(TVirtualKeys, LettersAndDigitsFollowTheKeysPlaceInEveryLayout) {
  // Q of a "us,ru" keymap: Latin first, Cyrillic second; and the other way round.
  TKeySymbols q;
  q.Layouts = 2;
  q.Levels[0][0] = XK_q, q.Levels[0][1] = XK_Q;
  q.Levels[1][0] = XK_Cyrillic_shorti, q.Levels[1][1] = XK_Cyrillic_SHORTI;
  for (int active : {0, 1}) {
    q.Active = active;
    EXPECT_EQ(VirtualKeyOf(q.Levels[active][0], q), 'Q') << "active layout " << active;
  }
  std::swap(q.Levels[0], q.Levels[1]);
  EXPECT_EQ(VirtualKeyOf(XK_Cyrillic_shorti, q), 'Q') << "Russian first and active";
  // The same key of "us,fr" with French active: the active Latin layout's letter.
  q.Levels[0][0] = XK_q, q.Levels[1][0] = XK_a;
  q.Active = 1;
  EXPECT_EQ(VirtualKeyOf(XK_a, q), 'A');
  // The 1 of a French keyboard, plain and shifted; a key of nothing but punctuation.
  EXPECT_EQ(VirtualKeyOf(XK_ampersand, TKeySymbols::Single(XK_ampersand, XK_1)), '1');
  EXPECT_EQ(VirtualKeyOf(XK_1, TKeySymbols::Single(XK_ampersand, XK_1)), '1');
  EXPECT_EQ(VirtualKeyOf(XK_parenright, TKeySymbols::Single(XK_parenright, XK_degree)), 0);
  // Function keys whose key has no symbol in the active layout still count.
  TKeySymbols f1 = TKeySymbols::Single(XK_F1);
  f1.Active = 1;
  EXPECT_EQ(VirtualKeyOf(XK_F1, f1), VK_F1);
}

TEST(TPixelPacker, ChannelsAreCutToTheirWidthAndMovedToTheirPlace) {
  const uint32_t pixels[] = {0xFFFF8040, 0x00FFFFFF, 0x80000000, 0xFF123456};
  uint16_t row16[4] = {};
  TPixelPacker(0xF800, 0x07E0, 0x001F, 16).PackRow(pixels, row16, 4);
  EXPECT_EQ(row16[0], 0xFC08) << "5, 6 and 5 bits, alpha ignored";
  EXPECT_EQ(row16[1], 0xFFFF);
  EXPECT_EQ(row16[2], 0x0000);
  EXPECT_EQ(TPixelPacker(0x7C00, 0x03E0, 0x001F, 16).Pack(0xFFFF8040), 0x7E08u) << "5, 5 and 5 bits";
  // Blue first and red last, as some 32-bit visuals have them.
  uint32_t row32[4] = {};
  TPixelPacker(0x0000FF, 0x00FF00, 0xFF0000, 32).PackRow(pixels, row32, 4);
  EXPECT_EQ(row32[0], 0x4080FFu);
  EXPECT_EQ(row32[3], 0x563412u);
  // Ten bits a channel: widened, not cut.
  EXPECT_EQ(TPixelPacker(0x3FF00000, 0x000FFC00, 0x000003FF, 32).Pack(0xFFFF8040), 0x3FC80100u);
  // Three bytes a pixel, lowest first on this machine, and nothing past the row.
  uint8_t row24[7] = {0, 0, 0, 0, 0, 0, 0xAA};
  TPixelPacker(0xFF0000, 0x00FF00, 0x0000FF, 24).PackRow(pixels, row24, 2);
  EXPECT_EQ(std::vector<uint8_t>(row24, row24 + 7), (std::vector<uint8_t>{0x40, 0x80, 0xFF, 0xFF, 0xFF, 0xFF, 0xAA}));
}

TEST(TProcessLauncher, CommandLinesSplitAtBlanksOutsideQuotes) {
  using TWords = std::vector<std::string>;
  EXPECT_EQ(SplitCommandLine("  notepad  a.txt "), (TWords{"notepad", "a.txt"}));
  EXPECT_EQ(SplitCommandLine("\"my program\" \"two words\"x \"\""), (TWords{"my program", "two wordsx", ""}));
  EXPECT_TRUE(SplitCommandLine("   ").empty());
}

TEST(TProcessLauncher, ProgramsStartWithoutAShellAndMayBeWaitedFor) {
  TProcessLauncher launcher;
  EXPECT_FALSE(launcher.Start({"/nonexistent/program"}, true));
  EXPECT_FALSE(launcher.Start({}, false));

  const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("blastover-spawn-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  // A shell would run "touch b" after the semicolon; here it is part of one file name.
  ASSERT_TRUE(launcher.Start(SplitCommandLine("touch \"" + (folder / "a b").string() + "\" " + (folder / "c;d").string()), true));
  EXPECT_TRUE(std::filesystem::exists(folder / "a b"));
  EXPECT_TRUE(std::filesystem::exists(folder / "c;d"));
  EXPECT_FALSE(std::filesystem::exists(folder / "a"));
  std::filesystem::remove_all(folder);

  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(launcher.Start({"sleep", "0.3"}, false));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
  ASSERT_TRUE(launcher.Start({"sleep", "0.2"}, true));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
}

}  // namespace
