// Renders every catalogue picture, enlarged 2.5 times as the game shows it and named in
// the game's own sprite font, onto one PNG sheet per theme; every kind of every kind set
// with its eight facing slots, death frames, firing frame and missiles; and the words of
// the display during play, outlined as play draws them:
//   contact-sheet OUTPUT_FOLDER [--shaped]
// Every sheet shows its pictures twice: over black, and over a desktop (a mid-blue
// and a white field behind each picture). They are enlarged as the game enlarges its
// playfield (coverage filtered with the colours) and laid over the background as the
// overlay window shows them: blended as a compositor blends them, or with --shaped as
// a window without a compositor shows them (the pixels covered at least half).
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "game/Bonuses.h"
#include "game/KindSets.h"
#include "game/Levels.h"
#include "platform/Coverage.h"
#include "platform/PngCodec.h"
#include "platform/headless/HeadlessPlatform.h"
#include "sprites/GraphicSpriteForm.h"
#include "sprites/GraphicsTools.h"
#include "sprites/Resampler.h"
#include "sprites/SpriteFont.h"
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
// The desktop's two fields: the left half of every picture's place and the right half.
constexpr TColor32 DesktopBlue = Color32(0x33, 0x66, 0xCC);
constexpr TColor32 DesktopWhite = Color32(0xFF, 0xFF, 0xFF);

// What lies behind the pictures of one copy of a sheet.
enum class TBackdrop { Black, Desktop };

// Lays frames over a backdrop as the game's overlay window shows them.
class TShowing {
 public:
  explicit TShowing(bool shaped) : Shaped(shaped) {}

  // Frame (with its transparent border, as the playfield has black around a sprite)
  // enlarged onto Place of Sheet over the backdrop.
  void Draw(TBitmap32& sheet, const TRect& place, const TBitmap32& frame, TBackdrop backdrop) const {
    TBitmap32 source;
    source.Assign(frame);
    source.DrawMode = TDrawMode::Opaque;
    source.SetResampler(std::make_unique<TLinearResampler>(TAlphaRule::Coverage));
    TBitmap32 enlarged;
    enlarged.SetSize(place.Width(), place.Height());
    enlarged.Draw(enlarged.BoundsRect(), source.BoundsRect(), source);
    const int middle = place.Left + place.Width() / 2;
    for (int y = 0; y < place.Height(); ++y) {
      TColor32* row = enlarged.ScanLine(y);
      if (Shaped) ShapedFromPremultiplied(row, row, place.Width());
      for (int x = 0; x < place.Width(); ++x) {
        const int sx = place.Left + x, sy = place.Top + y;
        if (sx < 0 || sy < 0 || sx >= sheet.Width() || sy >= sheet.Height()) continue;
        const TColor32 behind = backdrop == TBackdrop::Black ? 0 : sx < middle ? DesktopBlue : DesktopWhite;
        sheet.SetPixel(sx, sy, Over(row[x], behind));
      }
    }
  }

 private:
  // A premultiplied pixel over an opaque one; a shaped one is wholly in or out.
  static TColor32 Over(TColor32 pixel, TColor32 behind) {
    const uint32_t alpha = AlphaComponent(pixel);
    TColor32 shown = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
      const uint32_t channel = ((pixel >> shift) & 0xFF) + (((behind >> shift) & 0xFF) * (255 - alpha) + 127) / 255;
      shown |= std::min<uint32_t>(channel, 255) << shift;
    }
    return shown;
  }

  bool Shaped;
};

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

// A frame's place on the sheet: its picture and transparent border enlarged as the game enlarges them.
TRect EnlargedPlace(const TBitmap32& frame, int x, int y) {
  return {x, y, x + Round(frame.Width() * Enlargement), y + Round(frame.Height() * Enlargement)};
}

// Clears the copy of a sheet that starts at Top and is Height high, and gives it its title.
void StartCopy(TBitmap32& sheet, int top, int height, TBackdrop backdrop, const TLabelFont& titles,
               const std::string& title, int x, int y) {
  const TColor32 fill = backdrop == TBackdrop::Black ? clBlack32 : Background;
  for (int row = top; row < std::min(top + height, sheet.Height()); ++row)
    std::fill(sheet.ScanLine(row), sheet.ScanLine(row) + sheet.Width(), fill);
  titles.Draw(sheet, x, top + y, title + (backdrop == TBackdrop::Black ? " ON BLACK" : " ON A DESKTOP"));
}

void RenderSheet(const TGroup& group, const TLabelFont& titles, const TLabelFont& labels, const TShowing& showing,
                 const std::string& path) {
  const int lineHeight = 9 * TextScale;
  int x = Gap, y = Gap * 2 + lineHeight, rowHeight = 0;
  std::vector<TCell> cells;
  for (const TImage* picture : group.Pictures) {
    // The frame has a border of one transparent pixel all round.
    const int width = std::max(Round((picture->Width + 2) * Enlargement), TLabelFont::Width(picture->Name));
    const int height = Round((picture->Height + 2) * Enlargement) + 4 + lineHeight;
    if (x + width > SheetWidth - Gap && x > Gap) {
      x = Gap;
      y += rowHeight + Gap;
      rowHeight = 0;
    }
    cells.push_back({picture, x, y, width});
    x += width + Gap;
    rowHeight = std::max(rowHeight, height);
  }
  const int copyHeight = y + rowHeight + Gap;
  TBitmap32 sheet;
  sheet.SetSize(SheetWidth, 2 * copyHeight);
  for (const TBackdrop backdrop : {TBackdrop::Black, TBackdrop::Desktop}) {
    const int top = backdrop == TBackdrop::Black ? 0 : copyHeight;
    StartCopy(sheet, top, copyHeight, backdrop, titles, group.Title, Gap, Gap);
    for (const TCell& cell : cells) {
      const auto frame = BitmapFromImage(*cell.Picture);
      const TRect place = EnlargedPlace(*frame, cell.X, top + cell.Y);
      showing.Draw(sheet, place, *frame, backdrop);
      labels.Draw(sheet, cell.X, place.Bottom + 4, cell.Picture->Name);
    }
  }
  WritePngFile(path, sheet.View(), false);
}

// Lays out labelled strips of frames left to right, wrapping, and draws them in a second pass.
class TStripSheet {
 public:
  TStripSheet(const TLabelFont& titles, const TLabelFont& labels, const TShowing& showing)
      : Titles(titles), Labels(labels), Showing(showing) {}

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
    const int copyHeight = Y + Gap;
    TBitmap32 sheet;
    sheet.SetSize(Width, 2 * copyHeight);
    for (const TBackdrop backdrop : {TBackdrop::Black, TBackdrop::Desktop})
      WriteCopy(sheet, backdrop == TBackdrop::Black ? 0 : copyHeight, copyHeight, backdrop);
    WritePngFile(path, sheet.View(), false);
  }

 private:
  struct TItem {
    std::string Label;
    std::vector<const TBitmap32*> Frames;
    int X, Y;
    bool IsTitle;
  };

  void WriteCopy(TBitmap32& sheet, int top, int height, TBackdrop backdrop) const {
    bool titled = false;
    for (const TItem& item : Items) {
      if (item.IsTitle) {
        if (!titled) StartCopy(sheet, top, height, backdrop, Titles, item.Label, item.X, item.Y);
        else Titles.Draw(sheet, item.X, top + item.Y, item.Label);
        titled = true;
        continue;
      }
      Labels.Draw(sheet, item.X, top + item.Y, item.Label);
      int x = item.X;
      for (const TBitmap32* frame : item.Frames) {
        const TRect place = EnlargedPlace(*frame, x, top + item.Y + 9 * TextScale + 4);
        Showing.Draw(sheet, place, *frame, backdrop);
        x = place.Right + 2;
      }
    }
  }

  const TLabelFont& Titles;
  const TLabelFont& Labels;
  const TShowing& Showing;
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
                     const TShowing& showing, const std::string& path) {
  TStripSheet sheet(titles, labels, showing);
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

// The display's words in their colours (white 0, yellow 1, red 4), outlined as during play.
void RenderDisplaySheet(const TGraphicSpriteForm& form, const TLabelFont& titles, const TLabelFont& labels,
                        const TShowing& showing, const std::string& path) {
  const TSpriteFont font(form);
  const std::pair<const char*, int> words[] = {{"000250", 0}, {"LEVEL 12", 0}, {"GAME OVER", 0}, {"QUIT", 1},
                                               {"KICK 10", 1}, {"1UP", 4},     {"HIGH SCORE", 4}};
  std::vector<std::unique_ptr<TBitmap32>> pictures;
  TStripSheet sheet(titles, labels, showing);
  sheet.Title("THE DISPLAY WORDS");
  for (const auto& [text, variant] : words) {
    const TRect bounds = font.TextBounds(0, 0, text, variant);
    auto picture = std::make_unique<TBitmap32>();
    picture->SetSize(bounds.Right, bounds.Bottom);
    picture->Clear(0);
    font.DrawOutlinedTextOn(*picture, 0, 0, text, variant);
    sheet.Strip(text, {picture.get()});
    pictures.push_back(std::move(picture));
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
  const bool shaped = argc == 3 && std::string(argv[2]) == "--shaped";
  if (argc != 2 && !shaped) {
    std::fprintf(stderr, "usage: contact-sheet OUTPUT_FOLDER [--shaped]\n");
    return 2;
  }
  const TShowing showing(shaped);
  try {
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    TGraphicSpriteForm form;
    const TLabelFont titles(form, TitleColour), labels(form, LabelColour);
    for (const TGroup& group : Groups(form)) {
      const std::string path = (folder / FileName(group.Title)).string();
      RenderSheet(group, titles, labels, showing, path);
      std::printf("%s\n", path.c_str());
    }
    // The kind sets are built from the catalogue as a level builds them; a level takes
    // the time it starts from the platform's clock.
    THeadlessPlatform platform(1000, 750);
    InstallPlatform(&platform);
    GraphicSpriteForm = &form;
    const std::pair<const char*, void (*)(TLevel&)> sets[] = {
        {"DONKEY KONG", DonkeyKongSet}, {"PACMAN", PacmanSet},   {"1942", Set1942},
        {"GALAXIAN", GalaxianSet},      {"SCRAMBLE", ScrambleSet}, {"DIG DUG", DigDugSet},
        {"GALAGA", GalagaSet},          {"PHOENIX", PhoenixSet}, {"SPACE INVADERS", SpaceInvadersSet}};
    for (const auto& [title, set] : sets) {
      TLevel level;
      set(level);
      const std::string path = (folder / ("kinds-" + FileName(title))).string();
      RenderKindSheet(title, level, titles, labels, showing, path);
      std::printf("%s\n", path.c_str());
    }
    const std::string display = (folder / "display-words.png").string();
    RenderDisplaySheet(form, titles, labels, showing, display);
    std::printf("%s\n", display.c_str());
    InstallPlatform(nullptr);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "contact-sheet: %s\n", error.what());
    return 1;
  }
  return 0;
}
