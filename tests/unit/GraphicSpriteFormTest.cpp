// The picture catalogue: every picture is in the program, in its size and colours.
#include "sprites/GraphicSpriteForm.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string_view>

#include "platform/PngCodec.h"
#include "platform/Resources.h"

namespace {

struct TCatalogued {
  const char* Name;
  int Width;
  int Height;
};

const std::vector<TCatalogued>& Catalogue() {
  static const std::vector<TCatalogued> entries = {
#define PICTURE(name, width, height) {#name, width, height},
#include "sprites/PictureNames.def"
#undef PICTURE
  };
  return entries;
}

bool IsFontPicture(const std::string& name) {
  return name.rfind("NumberImage", 0) == 0 || name == "LineImage" || name == "ExMarkImage" ||
         (name.size() == 6 && name.rfind("Image", 0) == 0);
}

TEST(GraphicSpriteFormTest, EveryCataloguedPictureIsInTheProgramAs24BitWithItsSize) {
  ASSERT_EQ(Catalogue().size(), 219u);
  for (const TCatalogued& entry : Catalogue()) {
    SCOPED_TRACE(entry.Name);
    const auto data = FindResource(TResourceKind::Picture, entry.Name);
    ASSERT_FALSE(data.empty());
    const TDecodedPng png = DecodePng(data);
    EXPECT_EQ(png.Width, entry.Width);
    EXPECT_EQ(png.Height, entry.Height);
    EXPECT_EQ(png.BitsPerPixel, 24);
    EXPECT_TRUE(std::any_of(png.Pixels.begin(), png.Pixels.end(), [](uint32_t p) { return (p & 0xFFFFFF) != 0; }));
    if (IsFontPicture(entry.Name)) {
      EXPECT_TRUE(std::all_of(png.Pixels.begin(), png.Pixels.end(), [](uint32_t p) {
        return (p & 0xFFFFFF) == 0 || (p & 0xFFFFFF) == 0xFFFFFF;
      })) << "a font picture holds a colour other than white and black";
    }
  }
}

// The share of a picture's lit pixels with no lit pixel beside, above or below them. The
// game enlarges its pictures bilinearly, the player's death up to about 60 times: such a
// pixel becomes a faint detached blot, and one that touches others only at a corner fares
// little better, since the join fades to half its brightness.
double IsolatedShare(const TDecodedPng& png) {
  const auto lit = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < png.Width && y < png.Height &&
           (png.Pixels[static_cast<size_t>(y) * png.Width + x] & 0xFFFFFF) != 0;
  };
  int litCount = 0;
  int isolated = 0;
  for (int y = 0; y < png.Height; ++y) {
    for (int x = 0; x < png.Width; ++x) {
      if (!lit(x, y)) continue;
      ++litCount;
      if (!lit(x - 1, y) && !lit(x + 1, y) && !lit(x, y - 1) && !lit(x, y + 1)) ++isolated;
    }
  }
  return litCount == 0 ? 0.0 : static_cast<double>(isolated) / litCount;
}

TEST(GraphicSpriteFormTest, ExplosionFramesAreSolidBurstsWithoutStrayPixels) {
  // A spark or two may stay; scattered specks, which break up on screen, may not.
  constexpr double MaxIsolatedShare = 0.03;
  int frames = 0;
  for (const TCatalogued& entry : Catalogue()) {
    if (std::string_view(entry.Name).find("Explode") == std::string_view::npos) continue;
    ++frames;
    const double share = IsolatedShare(DecodePng(FindResource(TResourceKind::Picture, entry.Name)));
    EXPECT_LT(share, MaxIsolatedShare)
        << entry.Name << ": " << static_cast<int>(share * 100 + 0.5) << " % of its lit pixels stand alone";
  }
  EXPECT_EQ(frames, 26) << "every death animation's frames are checked";
}

TEST(GraphicSpriteFormTest, APictureMissingOrOfAnotherSizeIsNamedInTheError) {
  // As a damaged build would meet them: the message is what the player reads on leaving.
  TImage picture;
  const auto failure = [&](const char* name, int width, int height) {
    try {
      LoadPicture(picture, name, width, height, false);
    } catch (const EPictureError& error) {
      return std::string(error.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(failure("NoSuchImage", 10, 10), "the picture NoSuchImage is missing from the program");
  EXPECT_EQ(failure("LaserImage", 49, 50), "the picture LaserImage is 50x50 instead of 49x50");
  EXPECT_EQ(failure("laserimage", 50, 50), "the picture laserimage is missing from the program")
      << "picture names are exact";
  EXPECT_EQ(failure("LaserImage", 50, 50), "no error");
  EXPECT_EQ(picture.Width, 50);
}

TEST(GraphicSpriteFormTest, TheProgramHoldsNoPictureTheCatalogueDoesNotName) {
  std::set<std::string> names;
  for (const TCatalogued& entry : Catalogue()) names.insert(entry.Name);
  for (const TResource& resource : ListResources(TResourceKind::Picture))
    EXPECT_TRUE(names.count(std::string(resource.Name))) << resource.Name;
}

TEST(GraphicSpriteFormTest, LoadsEveryPictureIntoItsFieldWithTheKeyOfTheMarkedOnes) {
  const TGraphicSpriteForm form;
  const auto pictures = form.AllPictures();
  ASSERT_EQ(pictures.size(), 219u);
  EXPECT_EQ(form.Kong2Image.Width, 47);
  EXPECT_EQ(form.Kong2Image.Name, "Kong2Image");
  EXPECT_TRUE(form.FuelImage.Transparent);
  EXPECT_EQ(form.FuelImage.TransparentColor, 0u);
  EXPECT_FALSE(form.Kong1Image.Transparent);
  EXPECT_TRUE(std::all_of(form.LaserImage.Pixels.begin(), form.LaserImage.Pixels.end(),
                          [](TColor32 p) { return (p >> 24) == 0; }));
}

}  // namespace
