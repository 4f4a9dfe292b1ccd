// The rules of one game: touching, shooting, score and lives, power modes, levels, game over.
#include "GameFixture.h"
#include "game/Levels.h"
#include "sprites/Missiles.h"

namespace {

class PlayStateTest : public TGameTest {};

TEST_F(PlayStateTest, AFastSweepThroughAnAttackerCostsALifeThoughNoTickLandsOnIt) {
  QuietLevel();
  TMonster* attacker = AddAttacker(AttackerKind(), 200, 100);
  Frame();  // draws it, so its frame is known
  AimAt(100, 102);
  GunTick();
  AimAt(300, 104);  // the straight line passes right through the attacker
  GunTick();
  EXPECT_EQ(World->Lives, StartLives - 1);
  EXPECT_TRUE(attacker->Dying);
  // The life is lost where the attacker's (now dying) picture lies.
  EXPECT_EQ(World->DeathPoint.X, Round(attacker->X));
  EXPECT_EQ(World->DeathPoint.Y, Round(attacker->Y));
}

TEST_F(PlayStateTest, TwoAttackersUnderTheGunCostOnlyOneLife) {
  QuietLevel();
  TGraphicSprite* kind = AttackerKind();
  TMonster* first = AddAttacker(kind, 100, 100);
  TMonster* second = AddAttacker(kind, 102, 102);
  Frame();
  AimAt(104, 104);
  GunTick();
  EXPECT_TRUE(first->Dying);
  // The first touch starts the death explosion, during which no attacker can be hit.
  EXPECT_FALSE(second->Dying);
  EXPECT_EQ(World->Lives, StartLives - 1);
  EXPECT_EQ(World->Score, 10);
  // During the death explosion the gun neither hurts nor is hurt.
  TMonster* third = AddAttacker(kind, 100, 100);
  Frame();
  GunTick();
  EXPECT_FALSE(third->Dying);
}

TEST_F(PlayStateTest, AFrameAsksWhereThePointerIsOnceHoweverManySpritesLookAtTheGun) {
  TLevel& level = QuietLevel();
  level.FireChance = 1;
  TGraphicSprite* kind = AttackerKind();
  kind->AddVerticalAnimations();
  kind->MissileKinds->Add(std::make_unique<TMonsterSprite>(TPictures{Block(2, 2)}, TPictures{}));
  for (int i = 0; i < 40; ++i) AddAttacker(kind, 10 + 9 * i, 200)->MoveInterval = 0;
  AimAt(200, 100);
  const int before = Platform->PointerReads();
  for (int i = 0; i < 40; ++i) {
    Platform->AdvanceClock(FrameIntervalMs);
    World->PlayFrame();
  }
  EXPECT_EQ(Platform->PointerReads() - before, 40);
  // The attackers did chase, face and fire at the gun meanwhile (a few wander off).
  EXPECT_FALSE(World->MissileList->IsEmpty());
  int chasing = 0;
  for (const auto& attacker : *World->MonsterList) chasing += attacker->Y < 200;
  EXPECT_GT(chasing, 30);
}

TEST_F(PlayStateTest, WhileThePointerCannotBeReadAttackersAndBombsAimWhereTheGunWasLastSeen) {
  QuietLevel();
  TGraphicSprite* kind = AttackerKind();
  for (int i = 0; i < 8; ++i) AddAttacker(kind, 20, 200 + 10 * i);
  AimAt(200, 150);
  GunTick();
  Frame();
  Platform->SetPointerReadable(false);  // the pointer went to another screen
  Frames(20);
  GunTick();
  // They chased it to the right, not into the corner (a few wander off).
  int chasing = 0;
  for (const auto& attacker : *World->MonsterList) chasing += attacker->X > 30;
  EXPECT_GE(chasing, 4);
  AddBonus(BonusBomb, 300, 10)->Hit();
  ASSERT_EQ(World->BombList->Count(), 1);
  EXPECT_EQ(World->BombList->Items(0)->X, 200);
  EXPECT_EQ(World->BombList->Items(0)->Y, 150);
}

TEST_F(PlayStateTest, ExtraLivesComeEvery3000PointsButAtMostOnePerCall) {
  World->AddPoints(2999);
  EXPECT_EQ(World->Lives, StartLives);
  World->AddPoints(1);
  EXPECT_EQ(World->Lives, StartLives + 1);
  World->AddPoints(3000);
  EXPECT_EQ(World->Lives, StartLives + 2);
  EXPECT_EQ(World->NextLifeScore, 9000);
  World->ResetGame();
  World->AddPoints(2000);
  World->AddPoints(7000);  // 9000 in one call: one life, and the next at 6000
  EXPECT_EQ(World->Lives, StartLives + 1);
  EXPECT_EQ(World->NextLifeScore, 6000);
  EXPECT_EQ(World->HighScore, 9000);
  EXPECT_EQ(Platform->EventsOf("sound").back(), "Galagabonus");
}

TEST_F(PlayStateTest, AClickFiresOnlyWhenTheGunCanFireAndIsNotKeptForLater) {
  QuietLevel();
  AimAt(200, 150);
  Platform->ScheduleClick(Platform->TickCount());
  GunTick();
  EXPECT_EQ(World->Statistics.ShotsFired, 1);
  EXPECT_FALSE(World->ShowPlayHint);
  // A click during the reload is spent: when the gun has reloaded it does not fire.
  Platform->AdvanceClock(100);
  Platform->ScheduleClick(Platform->TickCount());
  GunTick();
  Platform->AdvanceClock(ReloadMs);
  Frame();  // the display step ends the reload
  GunTick();
  EXPECT_EQ(World->Statistics.ShotsFired, 1);
  World->StartInvincible();
  Platform->ScheduleClick(Platform->TickCount());
  GunTick();
  EXPECT_EQ(World->Statistics.ShotsFired, 1);
}

TEST_F(PlayStateTest, TheFlashGrowsOverSixFramesAndKillsOnlyWhereItsPixelsLie) {
  QuietLevel();
  TGraphicSprite* kind = AttackerKind();
  TMonster* near = AddAttacker(kind, 203, 143);
  TMonster* far = AddAttacker(kind, 256, 86);
  far->MoveInterval = 1000000;
  AimAt(200, 150);
  World->Shoot();
  std::vector<double> scales;
  for (int i = 0; i < 7; ++i) {
    scales.push_back(World->ShotScale);
    Frame();
  }
  EXPECT_EQ(scales, (std::vector<double>{0.1, 0.6, 1.1, 1.6, 2.1, 2.6, 0}));
  EXPECT_TRUE(near->Dying);
  // At 2.6 the flash's rectangle reaches 68 pixels from its centre and covers the far
  // attacker in its corner, but the round burst has no pixel there.
  EXPECT_FALSE(far->Dying);
  EXPECT_EQ(World->Score, 10);
}

TEST_F(PlayStateTest, ABombBlastKillsAttackersAndMissilesItsPixelsTouch) {
  QuietLevel();
  TGraphicSprite* kind = AttackerKind();
  TMonster* attacker = AddAttacker(kind, 120, 95);
  TSprite* missile = World->MissileList->Add(std::make_unique<TMissile>(*World, kind, 80, 95));
  TMonster* safe = AddAttacker(kind, 380, 280);
  World->DropBomb({100, 100});
  Frames(4);
  EXPECT_TRUE(attacker->Dying);
  EXPECT_TRUE(missile->Dying);
  EXPECT_FALSE(safe->Dying);
}

TEST_F(PlayStateTest, ShootingAtTheQuitLabelEndsTheGame) {
  QuietLevel();
  TRect quit;
  World->GetQuitRect(quit);
  // At a 1000-pixel screen: playfield 400, the label from (101 + 220) * 2.5.
  EXPECT_EQ(quit.Left, 802);
  EXPECT_EQ(quit.Right, 892);
  Platform->SetPointerPos(850, 10);
  Platform->ScheduleClick(Platform->TickCount());
  GunTick();
  EXPECT_TRUE(World->Quit);
  EXPECT_EQ(World->Statistics.ShotsFired, 1);
}

TEST_F(PlayStateTest, ALostLifeExplodesThenGivesFiveSecondsOfInvincibility) {
  QuietLevel();
  World->LoseLife({100, 100});
  EXPECT_FALSE(World->CanShoot());
  Frame(DeathMs - 30);
  EXPECT_NE(World->DeathStamp, 0u);
  Frame();
  EXPECT_EQ(World->DeathStamp, 0u);
  EXPECT_TRUE(World->InPowerMode());
  Frame(InvincibleMs);
  EXPECT_FALSE(World->InPowerMode());
  EXPECT_EQ(World->Lives, StartLives - 1);
}

TEST_F(PlayStateTest, ALevelChangeEndsThePowerModesAndTheCycleFollowsLevelThirteen) {
  World->NextLevel();
  EXPECT_EQ(World->LevelNumber, 1);
  EXPECT_NE(dynamic_cast<TLevel1*>(World->Level.get()), nullptr);
  World->StartKick();
  // The missiles and bonuses made from the level's kinds go with it.
  TGraphicSprite* kind = World->Level->AttackerKinds.Items(0);
  World->LaunchMissile(std::make_unique<TMissile>(*World, kind, 10, 10));
  World->BonusList->Add(std::make_unique<TBonus>(*World, kind, 10, 10));
  World->Level->Remaining = 0;
  World->LevelNumber = 13;
  World->NextLevel();
  EXPECT_TRUE(World->MissileList->IsEmpty());
  EXPECT_TRUE(World->BonusList->IsEmpty());
  EXPECT_EQ(World->LevelNumber, 1);
  EXPECT_EQ(World->Cycle, 1);
  EXPECT_FALSE(World->InPowerMode());
  // The second cycle: ten more attackers in all, five more at once.
  EXPECT_EQ(World->Level->Remaining, 110);
  EXPECT_EQ(World->Level->MaxOnScreen, 15);
  World->Cycle = 1;
  World->Level->Remaining = 0;
  World->LevelNumber = 13;
  World->NextLevel();
  EXPECT_EQ(World->Level->Remaining, 120);
  EXPECT_EQ(World->Level->MaxOnScreen, 20);
  // A level with attackers still alive is not over.
  AddAttacker(AttackerKind(), 10, 10);
  World->Level->Remaining = 0;
  World->NextLevel();
  EXPECT_EQ(World->LevelNumber, 1);
}

TEST_F(PlayStateTest, TheLastLifeEndsTheGameAfterThreeSecondsOfGameOver) {
  QuietLevel();
  World->Lives = 1;
  World->LoseLife({50, 50});
  EXPECT_TRUE(World->GameOver);
  // The explosion plays, but no invincibility follows the last life.
  Frame(DeathMs);
  EXPECT_FALSE(World->InPowerMode());
  Frame(GameOverMs - DeathMs - 30);
  EXPECT_NE(World->GameOverStamp, 0u);
  Frame();
  EXPECT_EQ(World->GameOverStamp, 0u);
}

TEST_F(PlayStateTest, AWholeGameEndsAfterGameOverAndTheOuterLoopStartsTheNext) {
  Platform->SetPointerPos(500, 375);
  // A gun that never moves in a level full of chasing attackers: three lives go. In
  // the menu the player takes PLAY, and Escape then ends the second game at once and,
  // in the menu again, the program.
  AnswerWindowsWith(VK_RETURN);
  uint32_t secondGame = 0;
  Platform->SetEscapeScript([this, &secondGame](uint32_t tick) {
    if (secondGame == 0 && Platform->EventsOf("show").size() >= 3) {  // overlay, menu, overlay again
      secondGame = tick;
      AnswerWindowsWith(VK_ESCAPE);
    }
    return secondGame != 0 && tick - secondGame >= MouseTimerIntervalMs;
  });
  World->RunGame();
  EXPECT_EQ(Platform->EventsOf("restore cursors").size(), 2u);
  EXPECT_TRUE(World->Quit);
  EXPECT_EQ(World->Level, nullptr);
  EXPECT_TRUE(World->MonsterList->IsEmpty());
}

TEST_F(PlayStateTest, AnAttackerFlungJustBeforeGameOverStaysBoundedThroughTheWholeGameOver) {
  QuietLevel();
  TMonster* attacker = AddAttacker(AttackerKind(), 100, 100);
  Frame();
  World->StartKick();
  AimAt(104, 104);
  GunTick();
  ASSERT_NE(attacker->FlungTime, 0u);
  World->KickStamp = 0;
  World->Lives = 1;
  World->LoseLife({0, 0});
  ASSERT_TRUE(World->GameOver);
  // Nothing is removed while the game is over: the flung attacker must stop growing by itself.
  const int64_t playfieldArea = int64_t{World->Playfield().Width()} * World->Playfield().Height();
  while (World->GameOverStamp != 0) {
    Frame();
    ASSERT_LE(int64_t{attacker->WorkBitmap->Width()} * attacker->WorkBitmap->Height(), playfieldArea);
  }
  EXPECT_EQ(World->MonsterList->Count(), 1);
}

}  // namespace
