// The demo game's world: ship, rocks, shots and sparks, advanced one fixed
// step at a time. Leans on the engine's vector, matrix and collision families
// only; drawing and sound live in the files beside it.
#pragma once
#include "Oxlen.h"

namespace demo {

const int kMaxRocks = 48;
const int kMaxShots = 32;
const int kMaxSparks = 256;
const int kRockShapes = 3;
const int kStartLives = 3;

// Half the arena's size: the walls stand this far from the centre.
const float kArenaHalfWidth = 385.0f;
const float kArenaHalfHeight = 270.0f;
const float kShipRadius = 14.0f;

struct Ship {
  OxVec2 position;
  OxVec2 velocity;
  float angle;         // degrees, 0 pointing right, counter-clockwise
  bool thrusting;
  float invulnerable;  // seconds left after a respawn
  float reload;        // seconds until the next shot may leave
};

struct Rock {
  bool alive;
  OxVec2 position;
  OxVec2 velocity;
  float radius;
  float angle;
  float spin;
  int shape;                       // which of the rock meshes
  float red, green, blue;          // the tint multiplied into the mesh
};

struct Shot {
  bool alive;
  OxVec2 position;
  OxVec2 velocity;
  float life;  // seconds left
};

// A glowing particle of an explosion or the exhaust, drawn additively.
struct Spark {
  bool alive;
  OxVec2 position;
  OxVec2 velocity;
  float life, startLife;
  float size;
  float red, green, blue;
};

// What the player (or the auto-pilot) asks of the ship this step.
struct Controls {
  float turn;    // -1 clockwise .. 1 counter-clockwise
  bool thrust;
  bool fire;
  bool aimAt;    // fire towards aim instead of along the nose
  OxVec2 aim;    // world point
};

// Sounds the step wants played; the caller owns the audio.
struct Events {
  int shotsFired;
  int rocksHit;
  bool shipLost;
};

struct World {
  Ship ship;
  Rock rocks[kMaxRocks];
  Shot shots[kMaxShots];
  Spark sparks[kMaxSparks];
  OxLineSegment2 walls[4];
  int score;
  int lives;
  int wave;
  bool gameOver;
  float gameOverTime;  // seconds since the last life was lost
};

// A new game: walls built, ship in the centre, the first wave of rocks.
void NewGame(World* world);
// Advances the world by dt seconds under the controls; fills events.
void Step(World* world, const Controls& controls, float dt, Events* events);
// The auto-pilot of headless runs: turns towards the nearest rock, keeps
// moving and fires when roughly lined up.
Controls AutoPilot(const World& world, unsigned long frame);
int LiveRocks(const World& world);

}  // namespace demo
