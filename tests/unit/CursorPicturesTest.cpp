// The 14 gun cursors in the program file, checked against what each must show.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/PngCodec.h"
#include "platform/Resources.h"

namespace {

constexpr int CursorSize = 32;
// The arrow fills this box from the hot spot (0, 0), which is its tip.
constexpr int ArrowWidth = 12, ArrowHeight = 21;
// The reload bar lies under the arrow: a one-pixel frame round 10 columns of 2 pixels.
constexpr int BarLeft = 0, BarTop = 22, BarWidth = 12, BarHeight = 4, BarColumns = 10;

constexpr uint32_t Transparent = 0x00000000;
constexpr uint32_t Black = 0xFF000000, White = 0xFFFFFFFF, Yellow = 0xFFFFFF00;
constexpr uint32_t Red = 0xFFFF0000, DarkRed = 0xFF800000, Green = 0xFF00FF00, DarkGreen = 0xFF008000;

struct TCursor {
  std::string Name;
  TDecodedPng Picture;
  uint32_t At(int x, int y) const { return Picture.Pixels[static_cast<size_t>(y) * Picture.Width + x]; }
  bool Opaque(int x, int y) const { return (At(x, y) >> 24) != 0; }
};

TCursor LoadCursor(const std::string& name) {
  const auto data = FindResource(TResourceKind::Cursor, name);
  if (data.empty()) throw std::runtime_error("no cursor " + name);
  return {name, DecodePng(data)};
}

std::vector<std::string> ArrowNames() {
  std::vector<std::string> names;
  for (int n = 0; n <= 9; ++n) names.push_back("MOUSEARROW" + std::to_string(n));
  return names;
}

std::vector<std::string> AllNames() {
  std::vector<std::string> names = ArrowNames();
  names.insert(names.end(), {"MOUSEFULL", "MOUSERED", "MOUSEGOLD", "MOUSEEMPTY"});
  return names;
}

bool InBox(int x, int y, int left, int top, int width, int height) {
  return x >= left && x < left + width && y >= top && y < top + height;
}

// The reload bar as drawn: Frame round the columns, the first Filled of them in Fill, the rest black.
void ExpectBar(const TCursor& cursor, uint32_t frame, int filled, uint32_t fill) {
  for (int y = BarTop; y < BarTop + BarHeight; ++y) {
    for (int x = BarLeft; x < BarLeft + BarWidth; ++x) {
      const bool inside = InBox(x, y, BarLeft + 1, BarTop + 1, BarColumns, BarHeight - 2);
      const uint32_t expected = !inside ? frame : x - BarLeft - 1 < filled ? fill : Black;
      EXPECT_EQ(cursor.At(x, y), expected) << cursor.Name << " bar at " << x << "," << y;
    }
  }
}

TEST(TCursorPictures, EveryCursorIsA32By32PictureWithAlphaInTheGameColoursOnly) {
  const std::set<uint32_t> allowed = {Transparent, Black, White, Red, DarkRed, Green, DarkGreen, Yellow};
  for (const std::string& name : AllNames()) {
    const TCursor cursor = LoadCursor(name);
    ASSERT_EQ(cursor.Picture.Width, CursorSize) << name;
    ASSERT_EQ(cursor.Picture.Height, CursorSize) << name;
    EXPECT_TRUE(cursor.Picture.HasAlpha) << name;
    int strays = 0;
    for (const uint32_t pixel : cursor.Picture.Pixels) strays += allowed.count(pixel) == 0;
    // Half-transparent edges or off-palette colours: the cursors are drawn pixel by pixel.
    EXPECT_EQ(strays, 0) << name;
    // The hot spot is (0, 0): the arrow's tip must be there to point with.
    if (name != "MOUSEEMPTY") {
      EXPECT_TRUE(cursor.Opaque(0, 0)) << name;
    }
  }
  EXPECT_TRUE(FindResource(TResourceKind::Cursor, "MOUSEARROW10").empty()) << "the reload's last step has no cursor";
}

TEST(TCursorPictures, TheArrowIsOutlinedInBlackAndTheSameInEveryArrowCursor) {
  const TCursor reference = LoadCursor("MOUSEFULL");
  std::vector<std::string> names = ArrowNames();
  names.push_back("MOUSERED");
  for (const std::string& name : names) {
    const TCursor cursor = LoadCursor(name);
    const uint32_t fill = name == "MOUSERED" ? Red : White;
    for (int y = 0; y < CursorSize; ++y) {
      for (int x = 0; x < CursorSize; ++x) {
        const bool inArrow = InBox(x, y, 0, 0, ArrowWidth, ArrowHeight);
        const bool inBar = InBox(x, y, BarLeft, BarTop, BarWidth, BarHeight);
        if (!inArrow) {
          EXPECT_TRUE(inBar || !cursor.Opaque(x, y)) << name << " at " << x << "," << y;
          continue;
        }
        // One shape, only the fill's colour differs.
        const uint32_t pixel = cursor.At(x, y), model = reference.At(x, y);
        EXPECT_EQ(pixel == fill, model == White) << name << " at " << x << "," << y;
        EXPECT_EQ(pixel == Black, model == Black) << name << " at " << x << "," << y;
        if (pixel != fill) continue;
        // The fill never touches the see-through: the outline is closed.
        for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
          const int nx = x + dx, ny = y + dy;
          const bool outside = nx < 0 || ny < 0 || !cursor.Opaque(nx, ny);
          EXPECT_FALSE(outside) << name << " fill at " << x << "," << y << " is not outlined";
        }
      }
    }
  }
  // The arrow really fills its box: it reaches the box's right and bottom edges.
  bool right = false, bottom = false;
  for (int y = 0; y < ArrowHeight; ++y) right = right || reference.Opaque(ArrowWidth - 1, y);
  for (int x = 0; x < ArrowWidth; ++x) bottom = bottom || reference.Opaque(x, ArrowHeight - 1);
  EXPECT_TRUE(right && bottom);
}

TEST(TCursorPictures, TheBarShowsTheReloadTheReadyGunAndTheFiringOne) {
  for (int n = 0; n <= 9; ++n) ExpectBar(LoadCursor("MOUSEARROW" + std::to_string(n)), DarkRed, n, Red);
  ExpectBar(LoadCursor("MOUSEFULL"), DarkGreen, BarColumns, Green);
  ExpectBar(LoadCursor("MOUSERED"), Black, 0, Red);
}

TEST(TCursorPictures, TheGoldCoinHasARedRimAndAWhiteArrowAndTheEmptyCursorShowsNothing) {
  const TCursor gold = LoadCursor("MOUSEGOLD");
  const TCursor arrow = LoadCursor("MOUSEFULL");
  int left = CursorSize, right = -1, top = CursorSize, bottom = -1;
  for (int y = 0; y < CursorSize; ++y) {
    for (int x = 0; x < CursorSize; ++x) {
      const uint32_t pixel = gold.At(x, y);
      if (pixel != Yellow && pixel != Red) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  EXPECT_NEAR(right - left + 1, 23, 2);
  EXPECT_NEAR(bottom - top + 1, 23, 2);
  // Across the middle, from either side: see-through, then the red rim, then gold.
  const int middle = (top + bottom) / 2;
  EXPECT_EQ(gold.At(right, middle), Red);
  EXPECT_EQ(gold.At((left + right) / 2, bottom), Red);
  EXPECT_EQ(gold.At((left + right) / 2 + 2, middle + 2), Yellow);
  EXPECT_FALSE(gold.Opaque(right + 1, middle));
  // The arrow on the coin is the gun's arrow, its tip at the hot spot.
  for (int y = 0; y < ArrowHeight; ++y) {
    for (int x = 0; x < ArrowWidth; ++x) {
      EXPECT_TRUE(!arrow.Opaque(x, y) || gold.At(x, y) == arrow.At(x, y)) << x << "," << y;
    }
  }

  const TCursor empty = LoadCursor("MOUSEEMPTY");
  for (const uint32_t pixel : empty.Picture.Pixels) ASSERT_EQ(pixel, Transparent);
}

}  // namespace
