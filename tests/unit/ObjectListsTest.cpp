// Owning lists free what they hold; the string list looks up without regard to case.
#include "support/ObjectLists.h"

#include <gtest/gtest.h>

namespace {

struct TCounted {
  explicit TCounted(int& alive) : Alive(alive) { ++Alive; }
  ~TCounted() { --Alive; }
  int& Alive;
};

TEST(ObjectListsTest, AnOwningListFreesItemsOnRemoveDeleteClearAndDestruction) {
  int alive = 0;
  {
    TCustomObjectList<TCounted> list;
    TCounted* first = list.Add(std::make_unique<TCounted>(alive));
    list.Add(std::make_unique<TCounted>(alive));
    list.Add(std::make_unique<TCounted>(alive));
    list.Add(std::make_unique<TCounted>(alive));
    EXPECT_EQ(list.Items(0), first);  // Add hands back the item it took
    EXPECT_EQ(alive, 4);
    list.Remove(first);
    EXPECT_EQ(alive, 3);
    list.Delete(0);
    EXPECT_EQ(alive, 2);
    list.Clear();
    EXPECT_EQ(alive, 0);
    list.Add(std::make_unique<TCounted>(alive));
  }
  EXPECT_EQ(alive, 0);
}

TEST(ObjectListsTest, AbsentAndEmptyListsAreEmpty) {
  EXPECT_TRUE(IsListEmpty(nullptr));
  EXPECT_EQ(LastIndexOf(nullptr), -1);
  TPointList points;
  EXPECT_TRUE(IsListEmpty(&points));
  EXPECT_EQ(LastIndexOf(&points), -1);
  points.AddPoint({3, 4});
  points.AddPoint({5, 6});
  EXPECT_FALSE(IsListEmpty(&points));
  EXPECT_EQ(LastIndexOf(&points), 1);
  EXPECT_EQ(points.Point(1).Y, 6);
  EXPECT_TRUE(IsStringsEmpty(nullptr));
}

TEST(ObjectListsTest, StringListContainsIgnoresLetterCaseAndKeepsDuplicates) {
  TCustomStringList cues;
  cues.Add("Galagabonus");
  cues.Add("Galagabonus");
  EXPECT_TRUE(cues.Contains("GalagaBonus"));
  EXPECT_TRUE(cues.Contains("GALAGABONUS"));
  EXPECT_FALSE(cues.Contains("GalagaBonus "));
  EXPECT_EQ(cues.Count(), 2);
  cues.Clear();
  EXPECT_TRUE(IsStringsEmpty(&cues));
}

}  // namespace
