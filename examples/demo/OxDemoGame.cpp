// The demo game's rules: steering, firing, rocks that split, lives and waves.
// Movement against the arena walls uses the engine's swept circle-to-segment
// reflection; shots find rocks with the swept circle-to-circle query.
#include "OxDemoGame.h"

#include <math.h>

#include <initializer_list>

namespace demo {

namespace {

const float kShotRadius = 3.0f;
const float kShotSpeed = 520.0f;
const float kShotLife = 1.3f;
const float kReloadTime = 0.16f;
const float kTurnRate = 220.0f;   // degrees per second
const float kThrust = 260.0f;     // pixels per second squared
const float kDrag = 0.6f;         // fraction of speed kept after a second
const float kMaxSpeed = 320.0f;
const float kBounce = 0.85f;      // speed kept by a wall bounce

// result = from + s * direction.
void MoveAlong(OxVec2* result, const OxVec2* from, const OxVec2* direction, float s)
{
  OxVec2ScaleAdd(result, direction, from, s);
}

float Random(float low, float high) { return low + (high - low) * OxRandFloat(); }

// Moves a circle by velocity * dt, bouncing off the walls as often as the
// step needs (a corner takes two); the velocity is mirrored at each bounce.
void MoveInArena(const OxLineSegment2* walls, OxVec2* position, OxVec2* velocity, float radius,
                 float dt, float bounce)
{
  OxVec2 start = *position, end;
  MoveAlong(&end, &start, velocity, dt);
  for (int bounces = 0; bounces < 3; ++bounces) {
    float first = 2.0f;
    int wall = -1;
    OxVec2 firstHit, firstReflected;
    OxVec2 step;
    OxVec2Sub(&step, &end, &start);
    for (int i = 0; i < 4; ++i) {
      // Only walls the circle moves towards: after a bounce it rests at
      // contact distance and must not be caught again on the way out.
      if (OxVec2DotProduct(&step, &walls[i].normal) >= 0) continue;
      OxVec2 hit, reflected;
      float t = OxReflectAnimatedCircleOnStaticLineSegment(&start, &end, radius, &walls[i], &hit,
                                                           &reflected);
      if (t > 0 && t <= 1 && t < first) {
        first = t;
        wall = i;
        firstHit = hit;
        firstReflected = reflected;
      }
    }
    if (wall < 0) break;
    const OxVec2& normal = walls[wall].normal;
    // v' = (v - 2 (v . n) n) * bounce
    MoveAlong(velocity, velocity, &normal, -2.0f * OxVec2DotProduct(velocity, &normal));
    OxVec2Scale(velocity, velocity, bounce);
    start = firstHit;
    MoveAlong(&end, &firstHit, &firstReflected, bounce);
  }
  // A circle that starts a step already overlapping a wall (a rock spawned
  // there) is put back inside.
  end.x = OxClamp(end.x, -kArenaHalfWidth + radius, kArenaHalfWidth - radius);
  end.y = OxClamp(end.y, -kArenaHalfHeight + radius, kArenaHalfHeight - radius);
  *position = end;
}

void AddSpark(World* world, const OxVec2& position, const OxVec2& velocity, float life,
              float size, float red, float green, float blue)
{
  for (Spark& spark : world->sparks) {
    if (spark.alive) continue;
    spark = Spark{true, position, velocity, life, life, size, red, green, blue};
    return;
  }
}

void Explode(World* world, const OxVec2& at, int count, float speed, float size)
{
  for (int i = 0; i < count; ++i) {
    OxVec2 direction, velocity;
    OxVec2FromAngle(&direction, Random(0, 6.2831853f));
    OxVec2Scale(&velocity, &direction, Random(0.3f, 1.0f) * speed);
    float warm = Random(0, 1);
    AddSpark(world, at, velocity, Random(0.35f, 0.9f), size * Random(0.5f, 1.0f), 1.0f,
             0.45f + 0.5f * warm, 0.15f * warm);
  }
}

bool AddRock(World* world, const OxVec2& position, const OxVec2& velocity, float radius)
{
  for (Rock& rock : world->rocks) {
    if (rock.alive) continue;
    float grey = Random(0.65f, 1.0f);
    rock = Rock{true, position, velocity, radius, Random(0, 360), Random(-90, 90),
                static_cast<int>(Random(0, kRockShapes - 0.01f)), grey, grey * Random(0.8f, 1.0f),
                grey * Random(0.6f, 0.9f)};
    return true;
  }
  return false;
}

// A wave of rocks, none closer than 170 pixels to the ship.
void SpawnWave(World* world)
{
  int count = 3 + world->wave;
  for (int made = 0, tries = 0; made < count && tries < 200; ++tries) {
    OxVec2 position;
    OxVec2Set(&position, Random(-kArenaHalfWidth + 50, kArenaHalfWidth - 50),
              Random(-kArenaHalfHeight + 50, kArenaHalfHeight - 50));
    if (OxVec2Distance(&position, &world->ship.position) < 170) continue;
    OxVec2 direction, velocity;
    OxVec2FromAngle(&direction, Random(0, 6.2831853f));
    OxVec2Scale(&velocity, &direction, Random(40, 80) + 6.0f * world->wave);
    if (AddRock(world, position, velocity, 40)) ++made;
  }
}

void ResetShip(Ship* ship)
{
  OxVec2Zero(&ship->position);
  OxVec2Zero(&ship->velocity);
  ship->angle = 90;
  ship->thrusting = false;
  ship->invulnerable = 2.5f;
  ship->reload = 0;
}

void Fire(World* world, const Controls& controls)
{
  Ship& ship = world->ship;
  OxVec2 direction;
  if (controls.aimAt) {
    OxVec2 toAim;
    OxVec2Sub(&toAim, &controls.aim, &ship.position);
    if (OxVec2SquareLength(&toAim) < 1) return;
    OxVec2Normalize(&direction, &toAim);
    ship.angle = OxRadToDeg(atan2f(direction.y, direction.x));
  } else {
    OxVec2FromAngle(&direction, OxDegToRad(ship.angle));
  }
  for (Shot& shot : world->shots) {
    if (shot.alive) continue;
    shot.alive = true;
    MoveAlong(&shot.position, &ship.position, &direction, kShipRadius + 4);
    OxVec2Scale(&shot.velocity, &direction, kShotSpeed);
    shot.life = kShotLife;
    ship.reload = kReloadTime;
    return;
  }
}

// Moves one shot; it ends on the first rock its path meets this step (the
// rock splits) or on a wall (a few sparks).
void StepShot(World* world, Shot* shot, float dt, Events* events)
{
  OxVec2 start = shot->position, end;
  MoveAlong(&end, &start, &shot->velocity, dt);
  float first = 2.0f;
  Rock* target = nullptr;
  for (Rock& rock : world->rocks) {
    if (!rock.alive) continue;
    OxVec2 hit;
    float t = OxAnimatedCircleToStaticCircle(&start, &end, kShotRadius, &rock.position,
                                             rock.radius, &hit);
    // A negative time other than -1 means the shot starts inside the rock.
    bool inside = t < 0 && t != -1.0f;
    if (inside) t = 0;
    if ((inside || (t >= 0 && t <= 1)) && t < first) {
      first = t;
      target = &rock;
    }
  }
  if (target) {
    shot->alive = false;
    ++events->rocksHit;
    Rock rock = *target;
    target->alive = false;
    world->score += rock.radius > 30 ? 20 : rock.radius > 20 ? 50 : 100;
    Explode(world, rock.position, static_cast<int>(rock.radius), 4.0f * rock.radius + 60,
            rock.radius * 0.5f + 6);
    if (rock.radius > 20) {
      // Two smaller rocks fly apart across the shot's line.
      OxVec2 across, velocity;
      OxVec2Normalize(&across, &shot->velocity);
      OxVec2Set(&across, -across.y, across.x);
      for (float side : {-1.0f, 1.0f}) {
        MoveAlong(&velocity, &rock.velocity, &across, side * Random(40, 80));
        OxVec2 position;
        MoveAlong(&position, &rock.position, &across, side * rock.radius * 0.4f);
        AddRock(world, position, velocity, rock.radius * 0.62f);
      }
    }
    return;
  }
  for (const OxLineSegment2& wall : world->walls) {
    OxVec2 hit;
    if (OxAnimatedPointToStaticLineSegment(&start, &end, &wall, &hit) >= 0) {
      shot->alive = false;
      for (int i = 0; i < 4; ++i) {
        OxVec2 velocity;
        OxVec2Scale(&velocity, &wall.normal, Random(30, 90));
        velocity.x += Random(-60, 60);
        velocity.y += Random(-60, 60);
        AddSpark(world, hit, velocity, 0.25f, 5, 0.4f, 0.9f, 1.0f);
      }
      return;
    }
  }
  shot->position = end;
  shot->life -= dt;
  if (shot->life <= 0) shot->alive = false;
}

}  // namespace

void NewGame(World* world)
{
  *world = World{};
  // The walls run clockwise, so every normal (the right-hand side of the
  // walk from p0 to p1) points into the arena.
  const float w = kArenaHalfWidth, h = kArenaHalfHeight;
  OxVec2 corners[4];
  OxVec2Set(&corners[0], -w, -h);
  OxVec2Set(&corners[1], -w, h);
  OxVec2Set(&corners[2], w, h);
  OxVec2Set(&corners[3], w, -h);
  for (int i = 0; i < 4; ++i) OxBuildLineSegment2(&world->walls[i], &corners[i], &corners[(i + 1) % 4]);
  ResetShip(&world->ship);
  world->lives = kStartLives;
  world->wave = 1;
  SpawnWave(world);
}

int LiveRocks(const World& world)
{
  int count = 0;
  for (const Rock& rock : world.rocks) count += rock.alive ? 1 : 0;
  return count;
}

void Step(World* world, const Controls& controls, float dt, Events* events)
{
  *events = Events{};
  Ship& ship = world->ship;

  if (!world->gameOver) {
    ship.angle = fmodf(ship.angle + controls.turn * kTurnRate * dt, 360.0f);
    ship.thrusting = controls.thrust;
    OxVec2 nose;
    OxVec2FromAngle(&nose, OxDegToRad(ship.angle));
    if (ship.thrusting) {
      MoveAlong(&ship.velocity, &ship.velocity, &nose, kThrust * dt);
      // Exhaust behind the ship.
      OxVec2 tail, velocity;
      MoveAlong(&tail, &ship.position, &nose, -kShipRadius);
      MoveAlong(&velocity, &ship.velocity, &nose, -Random(80, 140));
      velocity.x += Random(-25, 25);
      velocity.y += Random(-25, 25);
      AddSpark(world, tail, velocity, Random(0.15f, 0.3f), Random(4, 8), 1.0f, 0.55f, 0.15f);
    }
    OxVec2Scale(&ship.velocity, &ship.velocity, powf(kDrag, dt));
    float speed = OxVec2Length(&ship.velocity);
    if (speed > kMaxSpeed) OxVec2Scale(&ship.velocity, &ship.velocity, kMaxSpeed / speed);
    MoveInArena(world->walls, &ship.position, &ship.velocity, kShipRadius, dt, kBounce);
    ship.reload -= dt;
    ship.invulnerable -= dt;
    if (controls.fire && ship.reload <= 0) {
      Fire(world, controls);
      ++events->shotsFired;
    }
  } else {
    world->gameOverTime += dt;
  }

  for (Rock& rock : world->rocks) {
    if (!rock.alive) continue;
    rock.angle += rock.spin * dt;
    MoveInArena(world->walls, &rock.position, &rock.velocity, rock.radius, dt, 1.0f);
  }
  for (Shot& shot : world->shots) {
    if (shot.alive) StepShot(world, &shot, dt, events);
  }
  for (Spark& spark : world->sparks) {
    if (!spark.alive) continue;
    MoveAlong(&spark.position, &spark.position, &spark.velocity, dt);
    OxVec2Scale(&spark.velocity, &spark.velocity, powf(0.3f, dt));
    spark.life -= dt;
    if (spark.life <= 0) spark.alive = false;
  }

  // The ship against the rocks, once its respawn shield is down.
  if (!world->gameOver && ship.invulnerable <= 0) {
    for (const Rock& rock : world->rocks) {
      if (!rock.alive || !OxTestCircleToCircle(&ship.position, kShipRadius * 0.8f,
                                               &rock.position, rock.radius))
        continue;
      events->shipLost = true;
      Explode(world, ship.position, 60, 260, 14);
      if (--world->lives <= 0) {
        world->gameOver = true;
        world->gameOverTime = 0;
      } else {
        ResetShip(&ship);
      }
      break;
    }
  }
  if (!world->gameOver && LiveRocks(*world) == 0) {
    ++world->wave;
    SpawnWave(world);
  }
}

Controls AutoPilot(const World& world, unsigned long frame)
{
  Controls controls{};
  const Ship& ship = world.ship;
  const Rock* nearest = nullptr;
  float best = 1e30f;
  for (const Rock& rock : world.rocks) {
    if (!rock.alive) continue;
    float distance = OxVec2Distance(&rock.position, &ship.position) - rock.radius;
    if (distance < best) {
      best = distance;
      nearest = &rock;
    }
  }
  // Cruise in slow loops; speed up in bursts.
  controls.thrust = OxVec2Length(&ship.velocity) < 90 && frame % 80 < 25;
  if (!nearest) return controls;
  // Lead the target a little by where it will be when the shot arrives.
  OxVec2 lead, toTarget;
  MoveAlong(&lead, &nearest->position, &nearest->velocity, best / kShotSpeed);
  OxVec2Sub(&toTarget, &lead, &ship.position);
  float wanted = OxRadToDeg(atan2f(toTarget.y, toTarget.x));
  float difference = OxWrap(wanted - ship.angle, -180, 180);
  difference = OxWrap(difference, -180, 180);
  controls.turn = OxClamp(difference / 20.0f, -1, 1);
  controls.fire = fabsf(difference) < 12;
  // Too close: back away by turning tail and thrusting.
  if (best < 60) controls.thrust = fabsf(difference) > 150 || frame % 2 == 0;
  return controls;
}

}  // namespace demo
