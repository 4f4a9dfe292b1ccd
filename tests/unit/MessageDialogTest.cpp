// The message dialog: the program's own where the program installed it, else the platform's box.
#include "support/MessageDialog.h"

#include "HeadlessFixture.h"

namespace {

class MessageDialogTest : public THeadlessTest {};

TEST_F(MessageDialogTest, WithoutTheProgramsDialogThePlatformsMessageBoxShowsTheLines) {
  SetMessageDialogHook(nullptr);
  ShowMessageDialog(std::string("first") + '\0' + "second", MessageKindError);
  EXPECT_EQ(Platform->EventsOf("message box"), std::vector<std::string>{"Bericht: first\nsecond"});
  EXPECT_TRUE(Platform->EventsOf("caption").empty());
}

}  // namespace
