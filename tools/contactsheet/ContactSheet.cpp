// Renders every catalogue picture, enlarged 2.5 times as the game shows it and named in
// the game's own sprite font, onto one PNG sheet per theme; and every kind of every
// kind set with its eight facing slots, death frames, firing frame and missiles:
//   contact-sheet OUTPUT_FOLDER
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/WorldForm.h"
#include "game/Bonuses.h"
#include "game/KindSets.h"
#include "game/Levels.h"
#include "platform/PngCodec.h"
#include "platform/headless/HeadlessPlatform.h"
#include "sprites/GraphicSpriteForm.h"
#include "sprites/GraphicsTools.h"
#include "sprites/Resampler.h"
#include "support/TextRoutines.h"

namespace {

constexpr double Enlargement = 2.5;
constexpr int TextScale = 1;        // labels in the font at its own size
constexpr int GlyphPitch = 9;       // the font's advance per character
constexpr int Gap = 12;
constexpr int SheetWidth = 1000;
constexpr TColor32 Background = Color32(40, 40, 48);
constexpr TColor32 TitleColour = 0x00FFFF00;  // the font's yellow
constexpr TColor32 LabelColour = 0x00C8C8C8;

struct TGroup {
  std::string Title;
  std::vector<const TImage*> Pictures;
};

std::vector<TGroup> Groups(const TGraphicSpriteForm& form) {
  std::vector<TGroup> groups;
#define PICTURE_GROUP(title) groups.push_back({title, {}});
#define PICTURE(name, width, height) groups.back().Pictures.push_back(&form.name);
#include "sprites/PictureNames.def"
#undef PICTURE
#undef PICTURE_GROUP
  return groups;
}

// The sprite font's glyphs, recoloured, looked up by character.
class TLabelFont {
 public:
  TLabelFont(const TGraphicSpriteForm& form, TColor32 colour) {
    const std::string characters = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-!";
    const TImage* pictures[] = {
        &form.NumberImage0, &form.NumberImage1, &form.NumberImage2, &form.NumberImage3, &form.NumberImage4,
        &form.NumberImage5, &form.NumberImage6, &form.NumberImage7, &form.NumberImage8, &form.NumberImage9,
        &form.ImageA, &form.ImageB, &form.ImageC, &form.ImageD, &form.ImageE, &form.ImageF, &form.ImageG,
        &form.ImageH, &form.ImageI, &form.ImageJ, &form.ImageK, &form.ImageL, &form.ImageM, &form.ImageN,
        &form.ImageO, &form.ImageP, &form.ImageQ, &form.ImageR, &form.ImageS, &form.ImageT, &form.ImageU,
        &form.ImageV, &form.ImageW, &form.ImageX, &form.ImageY, &form.ImageZ, &form.LineImage, &form.ExMarkImage};
    for (size_t i = 0; i < characters.size(); ++i) {
      auto glyph = BitmapFromImage(*pictures[i], 0x00FFFFFF, colour);
      glyph->SetResampler(nullptr);  // nearest neighbour: crisp enlarged letters
      Glyphs[characters[i]] = std::move(glyph);
    }
  }

  static int Width(const std::string& text) { return static_cast<int>(text.size()) * GlyphPitch * TextScale; }

  void Draw(TBitmap32& target, int x, int y, const std::string& text) const {
    for (char c : UpperCaseAscii(text)) {
      if (const auto found = Glyphs.find(c); found != Glyphs.end()) {
        const TBitmap32& glyph = *found->second;
        target.Draw({x, y, x + glyph.Width() * TextScale, y + glyph.Height() * TextScale}, glyph.BoundsRect(), glyph);
      }
      x += GlyphPitch * TextScale;
    }
  }

 private:
  std::map<char, std::unique_ptr<TBitmap32>> Glyphs;
};

struct TCell {
  const TImage* Picture;
  int X, Y, Width;
};

void RenderSheet(const TGroup& group, const TLabelFont& titles, const TLabelFont& labels, const std::string& path) {
  const int lineHeight = 9 * TextScale;
  int x = Gap, y = Gap * 2 + lineHeight, rowHeight = 0;
  std::vector<TCell> cells;
  for (const TImage* picture : group.Pictures) {
    const int width = std::max(Round(picture->Width * Enlargement), TLabelFont::Width(picture->Name));
    const int height = Round(picture->Height * Enlargement) + 4 + lineHeight;
    if (x + width > SheetWidth - Gap && x > Gap) {
      x = Gap;
      y += rowHeight + Gap;
      rowHeight = 0;
    }
    cells.push_back({picture, x, y, width});
    x += width + Gap;
    rowHeight = std::max(rowHeight, height);
  }
  TBitmap32 sheet;
  sheet.SetSize(SheetWidth, y + rowHeight + Gap);
  sheet.Clear(Background);
  titles.Draw(sheet, Gap, Gap, group.Title);
  for (const TCell& cell : cells) {
    const auto frame = BitmapFromImage(*cell.Picture);
    const int width = Round(cell.Picture->Width * Enlargement), height = Round(cell.Picture->Height * Enlargement);
    // The frame's transparent border is left off, so the picture's own pixels fill the cell.
    sheet.Draw({cell.X, cell.Y, cell.X + width, cell.Y + height}, {1, 1, frame->Width() - 1, frame->Height() - 1}, *frame);
    labels.Draw(sheet, cell.X, cell.Y + height + 4, cell.Picture->Name);
  }
  WritePngFile(path, sheet.View(), false);
}

// Lays out labelled strips of frames left to right, wrapping, and draws them in a second pass.
class TStripSheet {
 public:
  TStripSheet(const TLabelFont& titles, const TLabelFont& labels) : Titles(titles), Labels(labels) {}

  void Title(const std::string& text) {
    NewLine();
    Items.push_back({text, {}, X, Y, true});
    Y += 9 * TextScale + Gap;
  }
  void NewLine() {
    if (X > Gap) Y += RowHeight + Gap;
    X = Gap;
    RowHeight = 0;
  }
  // One labelled group of frames, enlarged as the game shows them.
  void Strip(const std::string& label, std::vector<const TBitmap32*> frames) {
    int width = TLabelFont::Width(label);
    int framesWidth = 0, height = 0;
    for (const TBitmap32* frame : frames) {
      framesWidth += Round(frame->Width() * Enlargement) + 2;
      height = std::max(height, Round(frame->Height() * Enlargement));
    }
    width = std::max(width, framesWidth);
    if (X + width > SheetWidth - Gap && X > Gap) NewLine();
    Width = std::max(Width, X + width + Gap);
    Items.push_back({label, std::move(frames), X, Y, false});
    X += width + Gap;
    RowHeight = std::max(RowHeight, height + 4 + 9 * TextScale);
  }

  void Write(const std::string& path) {
    NewLine();
    TBitmap32 sheet;
    sheet.SetSize(Width, Y + Gap);
    sheet.Clear(Background);
    for (const TItem& item : Items) {
      if (item.IsTitle) {
        Titles.Draw(sheet, item.X, item.Y, item.Label);
        continue;
      }
      Labels.Draw(sheet, item.X, item.Y, item.Label);
      int x = item.X;
      for (const TBitmap32* frame : item.Frames) {
        const int w = Round(frame->Width() * Enlargement), h = Round(frame->Height() * Enlargement);
        const int top = item.Y + 9 * TextScale + 4;
        sheet.Draw({x, top, x + w, top + h}, frame->BoundsRect(), *frame);
        x += w + 2;
      }
    }
    WritePngFile(path, sheet.View(), false);
  }

 private:
  struct TItem {
    std::string Label;
    std::vector<const TBitmap32*> Frames;
    int X, Y;
    bool IsTitle;
  };
  const TLabelFont& Titles;
  const TLabelFont& Labels;
  std::vector<TItem> Items;
  int X = Gap, Y = Gap, RowHeight = 0;
  int Width = SheetWidth;  // wider when one strip alone is wider
};

std::vector<const TBitmap32*> FramesOf(const TAnimateArrClass* set) {
  std::vector<const TBitmap32*> frames;
  if (set != nullptr)
    for (const auto& frame : set->Frames) frames.push_back(frame.get());
  return frames;
}

void AddKindStrips(TStripSheet& sheet, const TGraphicSprite& kind, const std::string& name) {
  static const char* const SlotNames[AnimationSlots] = {"LEFT", "UP", "RIGHT", "DOWN", "UP-LEFT", "UP-RIGHT", "DOWN-RIGHT", "DOWN-LEFT"};
  sheet.NewLine();
  sheet.Strip(name, {});
  for (int slot = 0; slot < AnimationSlots; ++slot)
    if (kind.HasAnimation(slot)) sheet.Strip(SlotNames[slot], FramesOf(kind.Animations[static_cast<size_t>(slot)].get()));
  if (kind.DeathFrames && kind.DeathFrames->Count() > 0) sheet.Strip("DEATH", FramesOf(kind.DeathFrames.get()));
  if (kind.FiringFrames) sheet.Strip("FIRE", FramesOf(kind.FiringFrames.get()));
  for (int i = 0; i < kind.MissileKinds->Count(); ++i) AddKindStrips(sheet, *kind.MissileKinds->Items(i), name + " MISSILE");
}

void RenderKindSheet(const std::string& title, const TLevel& level, const TLabelFont& titles, const TLabelFont& labels,
                     const std::string& path) {
  TStripSheet sheet(titles, labels);
  sheet.Title(title + " KINDS");
  for (int i = 0; i < level.AttackerKinds.Count(); ++i)
    AddKindStrips(sheet, *level.AttackerKinds.Items(i), "KIND " + std::to_string(i + 1));
  sheet.Title(title + " BONUSES");
  for (int i = 0; i < level.BonusKinds.Count(); ++i) {
    const auto* bonus = dynamic_cast<const TBonusSprite*>(level.BonusKinds.Items(i));
    static const char* const Actions[] = {"POINTS", "INVINCIBLE", "BOMB", "KICK"};
    sheet.Strip(Actions[bonus != nullptr ? bonus->Action % 4 : 0], FramesOf(level.BonusKinds.Items(i)->Animations[0].get()));
  }
  sheet.Write(path);
}

std::string FileName(const std::string& title) {
  std::string name;
  for (char c : LowerCaseAscii(title)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '-';
  return name + ".png";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: contact-sheet OUTPUT_FOLDER\n");
    return 2;
  }
  try {
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    const TGraphicSpriteForm form;
    const TLabelFont titles(form, TitleColour), labels(form, LabelColour);
    for (const TGroup& group : Groups(form)) {
      const std::string path = (folder / FileName(group.Title)).string();
      RenderSheet(group, titles, labels, path);
      std::printf("%s\n", path.c_str());
    }
    // The kind sets are built as a level builds them, which needs a game window.
    THeadlessPlatform platform(1000, 750);
    InstallPlatform(&platform);
    {
      TWorldForm world;
      WorldForm = &world;
      world.InitWorld();
      const std::pair<const char*, void (*)(TLevel&)> sets[] = {
          {"DONKEY KONG", DonkeyKongSet}, {"PACMAN", PacmanSet},   {"1942", Set1942},
          {"GALAXIAN", GalaxianSet},      {"SCRAMBLE", ScrambleSet}, {"DIG DUG", DigDugSet},
          {"GALAGA", GalagaSet},          {"PHOENIX", PhoenixSet}, {"SPACE INVADERS", SpaceInvadersSet}};
      for (const auto& [title, set] : sets) {
        TLevel level;
        set(level);
        const std::string path = (folder / ("kinds-" + FileName(title))).string();
        RenderKindSheet(title, level, titles, labels, path);
        std::printf("%s\n", path.c_str());
      }
      WorldForm = nullptr;
    }
    InstallPlatform(nullptr);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "contact-sheet: %s\n", error.what());
    return 1;
  }
  return 0;
}
