// The world where no game runs.
#include "sprites/SpriteWorld.h"

#include "sprites/Sprite.h"

void TNoGameWorld::LaunchMissile(std::unique_ptr<TSprite>) {}
