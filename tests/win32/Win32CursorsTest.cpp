// The gun cursor on Windows, through the seam of its two system calls: Wine accepts
// SetSystemCursor but shows nothing of it, so the calls themselves are what is checked.
#include <gtest/gtest.h>

#include "platform/win32/Win32Cursors.h"
#include "platform/win32/Win32FileSystem.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

struct TCallLog {
  std::vector<std::pair<HCURSOR, DWORD>> Replaced;
  int Restores = 0;
  std::set<DWORD> Refused;  // identifiers the system says no to
};

class TRecordingCalls : public TSystemCursorCalls {
 public:
  explicit TRecordingCalls(TCallLog& log) : Log(log) {}
  bool Replace(HCURSOR cursor, DWORD id) override {
    if (Log.Refused.count(id) != 0) return false;
    Log.Replaced.emplace_back(cursor, id);
    DestroyCursor(cursor);  // what the system does with a cursor it takes over
    return true;
  }
  void RestoreAll() override { ++Log.Restores; }

 private:
  TCallLog& Log;
};

std::string MarkerPath() {
  TWin32FileSystem files;
  files.MakeFolder(files.DataFolder());
  return files.DataFolder() + "test-cursors-" + std::to_string(GetCurrentProcessId());
}

HCURSOR GunPicture() {
  std::vector<uint32_t> pixels(32 * 32, 0xFF00FF00);
  return MakeCursor({pixels.data(), 32, 32, 32}, 0, 0);
}

TEST(Win32Cursors, EveryIdentifierGetsAFreshCopyAndTheEndGivesThemBackOnce) {
  TCallLog log;
  log.Refused = {32600, 32601};
  const std::string marker = MarkerPath();
  HCURSOR gun = GunPicture();
  ASSERT_NE(gun, nullptr);
  {
    TWin32Cursors cursors(std::make_unique<TRecordingCalls>(log), marker);
    EXPECT_EQ(log.Restores, 0) << "nothing to give back at a clean start";
    ASSERT_TRUE(cursors.Install(gun));
    EXPECT_TRUE(PathExists(marker)) << "the marker is written before the first replacement";
    ASSERT_EQ(log.Replaced.size(), 139u - 2u);
    std::set<HCURSOR> handles;
    for (size_t i = 0; i < log.Replaced.size(); ++i) {
      handles.insert(log.Replaced[i].first);
      EXPECT_NE(log.Replaced[i].first, gun) << "the system destroys what it is given: never the original";
    }
    EXPECT_EQ(log.Replaced.front().second, 32512u);
    EXPECT_EQ(log.Replaced.back().second, 32650u);
    EXPECT_TRUE(std::is_sorted(log.Replaced.begin(), log.Replaced.end(),
                               [](auto& a, auto& b) { return a.second < b.second; }));

    cursors.Install(gun);  // a second picture during the same game
    cursors.Restore();
    EXPECT_EQ(log.Restores, 1);
    EXPECT_FALSE(PathExists(marker));
    cursors.Restore();
    EXPECT_EQ(log.Restores, 1) << "restoring twice asks the system once";
    EXPECT_FALSE(cursors.Install(nullptr));
  }
  EXPECT_EQ(log.Restores, 1) << "nothing replaced at the end: nothing to give back";
  DestroyCursor(gun);
}

TEST(Win32Cursors, AKilledRunsCursorsAreGivenBackAtTheNextStartAndAtTheEnd) {
  const std::string marker = MarkerPath();
  TCallLog log;
  HCURSOR gun = GunPicture();
  {
    auto cursors = std::make_unique<TWin32Cursors>(std::make_unique<TRecordingCalls>(log), marker);
    cursors->Install(gun);
    // Killed outright: nothing runs, the marker stays (the object is leaked on purpose).
    (void)cursors.release();
  }
  ASSERT_TRUE(PathExists(marker));
  TCallLog next;
  {
    TWin32Cursors cursors(std::make_unique<TRecordingCalls>(next), marker);
    EXPECT_EQ(next.Restores, 0) << "a marker may be a running game's: left alone until this is the one game";
    cursors.RepairAfterKilledRun();
    EXPECT_EQ(next.Restores, 1) << "the next start gives the cursors back";
    EXPECT_FALSE(PathExists(marker));
    cursors.Install(gun);
  }
  EXPECT_EQ(next.Restores, 2) << "a run ending with its cursors up gives them back";
  DestroyCursor(gun);
}

TEST(Win32Cursors, APictureBecomesACursorWithItsHotSpot) {
  std::vector<uint32_t> pixels(32 * 32, 0x80FF0000);
  HCURSOR cursor = MakeCursor({pixels.data(), 32, 32, 32}, 3, 4);
  ASSERT_NE(cursor, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(cursor, &info));
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(info.xHotspot, 3u);
  EXPECT_EQ(info.yHotspot, 4u);
  BITMAP colour{};
  GetObjectW(info.hbmColor, sizeof colour, &colour);
  EXPECT_EQ(colour.bmWidth, 32);
  EXPECT_EQ(colour.bmHeight, 32);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyCursor(cursor);
  EXPECT_EQ(MakeCursor({}, 0, 0), nullptr);
}

}  // namespace
