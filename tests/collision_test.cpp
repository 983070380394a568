// Collision: signed distances and their boundary conventions, the rectangle
// penetration with its normal, the overlap tests' contact rules, prepared
// segments, and the swept point and circle queries with reflection
// (including zero steps and starts on the wrong side).
#include <gtest/gtest.h>

#include <math.h>

#include "OxCollision.h"

namespace {

OxVec2 V(float x, float y)
{
  OxVec2 v = {x, y};
  return v;
}

// The segment from (0, 0) to (10, 0): normal (0, -1), front below.
OxLineSegment2 Floor()
{
  OxLineSegment2 segment;
  OxVec2 p0 = V(0, 0), p1 = V(10, 0);
  EXPECT_EQ(OxBuildLineSegment2(&segment, &p0, &p1), 1);
  return segment;
}

const OxVec2 kUnwritten = {123.0f, 456.0f};

void ExpectUnwritten(const OxVec2& v)
{
  EXPECT_EQ(v.x, kUnwritten.x);
  EXPECT_EQ(v.y, kUnwritten.y);
}

}  // namespace

TEST(Distance, PointToCircleAndCircles)
{
  OxVec2 c = V(0, 0), p = V(3, 4), q = V(0, 0.5f);
  EXPECT_EQ(OxCalcDistPointToCircle(&p, &c, 5.0f), 0.0f);
  EXPECT_EQ(OxCalcDistPointToCircle(&p, &c, 2.0f), 3.0f);
  EXPECT_EQ(OxCalcDistPointToCircle(&q, &c, 2.0f), -1.5f);
  EXPECT_EQ(OxCalcDistCircleToCircle(&c, 1.0f, &p, 1.5f), 2.5f);
  EXPECT_EQ(OxCalcDistCircleToCircle(&c, 3.0f, &p, 3.0f), -1.0f);
}

TEST(Distance, PointToRect)
{
  // 4 x 2 rectangle at the origin: centre -1 (top/bottom edges nearest);
  // (3, 0) is 1 outside; (3, 2) is sqrtf(2) from the corner; (2, 0) on the
  // right edge is -0; (-1.5, -0.25) is 0.5 from the left edge.
  OxVec2 c = V(0, 0), origin = V(0, 0), right = V(3, 0), corner = V(3, 2), edge = V(2, 0),
         left = V(-1.5f, -0.25f);
  EXPECT_EQ(OxCalcDistPointToRect(&origin, &c, 4.0f, 2.0f), -1.0f);
  EXPECT_EQ(OxCalcDistPointToRect(&right, &c, 4.0f, 2.0f), 1.0f);
  EXPECT_EQ(OxCalcDistPointToRect(&corner, &c, 4.0f, 2.0f), sqrtf(2.0f));
  float onEdge = OxCalcDistPointToRect(&edge, &c, 4.0f, 2.0f);
  EXPECT_EQ(onEdge, 0.0f);
  EXPECT_TRUE(signbit(onEdge));
  EXPECT_EQ(OxCalcDistPointToRect(&left, &c, 4.0f, 2.0f), -0.5f);
  // Circle: the point distance minus the radius.
  EXPECT_EQ(OxCalcDistCircleToRect(&corner, 1.0f, &c, 4.0f, 2.0f), sqrtf(2.0f) - 1.0f);
}

TEST(Distance, PointToLineSegment)
{
  // Beside the middle: 3; before p0: 5; past p1: 5; a point segment: 5; on
  // the segment: 0.
  OxVec2 p0 = V(0, 0), p1 = V(10, 0);
  OxVec2 mid = V(5, 3), before = V(-3, 4), past = V(13, 4), on = V(7, 0);
  EXPECT_EQ(OxCalcDistPointToLineSeg(&mid, &p0, &p1), 3.0f);
  EXPECT_EQ(OxCalcDistPointToLineSeg(&before, &p0, &p1), 5.0f);
  EXPECT_EQ(OxCalcDistPointToLineSeg(&past, &p0, &p1), 5.0f);
  EXPECT_EQ(OxCalcDistPointToLineSeg(&on, &p0, &p1), 0.0f);
  OxVec2 single = V(1, 1), away = V(4, 5);
  EXPECT_EQ(OxCalcDistPointToLineSeg(&away, &single, &single), 5.0f);
  // Convex polygon distance is not implemented: -1 even with null pointers.
  EXPECT_EQ(OxCalcDistPointToConvexPoly(nullptr, nullptr, 0), -1.0f);
  EXPECT_EQ(OxCalcDistPointToConvexPoly(&mid, &p0, 2), -1.0f);
}

TEST(Distance, RectToRectPenetrationAndNormal)
{
  // 2 x 2 at the origin against 2 x 2 at: (1.5, 0.5) -> -0.5 along x, normal
  // (-1, 0); (0.5, 1.5) -> -0.5 along y, normal (0, -1); (1, 1) tie -> x
  // axis; (-1.5, 0) -> normal (1, 0); (2, 0) touching -> 0, normal kept;
  // null normal is skipped.
  OxVec2 c0 = V(0, 0), n;
  OxVec2 a = V(1.5f, 0.5f), b = V(0.5f, 1.5f), tie = V(1, 1), leftSide = V(-1.5f, 0),
         below = V(0, -1.25f), touching = V(2, 0);
  EXPECT_EQ(OxCalcDistRectToRect(&c0, 2, 2, &a, 2, 2, &n), -0.5f);
  EXPECT_EQ(n.x, -1.0f);
  EXPECT_EQ(n.y, 0.0f);
  EXPECT_EQ(OxCalcDistRectToRect(&c0, 2, 2, &b, 2, 2, &n), -0.5f);
  EXPECT_EQ(n.x, 0.0f);
  EXPECT_EQ(n.y, -1.0f);
  EXPECT_EQ(OxCalcDistRectToRect(&c0, 2, 2, &tie, 2, 2, &n), -1.0f);
  EXPECT_EQ(n.x, -1.0f);
  EXPECT_EQ(OxCalcDistRectToRect(&c0, 2, 2, &leftSide, 2, 2, &n), -0.5f);
  EXPECT_EQ(n.x, 1.0f);
  EXPECT_EQ(OxCalcDistRectToRect(&c0, 2, 2, &below, 2, 2, &n), -0.75f);
  EXPECT_EQ(n.y, 1.0f);
  n = kUnwritten;
  EXPECT_EQ(OxCalcDistRectToRect(&c0, 2, 2, &touching, 2, 2, &n), 0.0f);
  ExpectUnwritten(n);
  EXPECT_EQ(OxCalcDistRectToRect(&c0, 2, 2, &a, 2, 2, nullptr), -0.5f);
}

TEST(Overlap, ContactConventions)
{
  // Point on the circle: inside. Touching circles: overlap. Circle touching a
  // rectangle: no overlap (strict). Rectangles sharing an edge: overlap;
  // 0.001 apart: not. Point on a rectangle edge: inside; beyond: outside.
  OxVec2 o = V(0, 0), onCircle = V(0, 2), two = V(2, 0), apart = V(2.001f, 0);
  EXPECT_EQ(OxTestPointToCircle(&onCircle, &o, 2.0f), 1);
  EXPECT_EQ(OxTestPointToCircle(&apart, &o, 2.0f), 0);
  EXPECT_EQ(OxTestCircleToCircle(&o, 1.0f, &two, 1.0f), 1);
  EXPECT_EQ(OxTestCircleToCircle(&o, 1.0f, &apart, 1.0f), 0);
  EXPECT_EQ(OxTestCircleToRect(&two, 1.0f, &o, 2.0f, 2.0f), 0);
  EXPECT_EQ(OxTestCircleToRect(&two, 1.01f, &o, 2.0f, 2.0f), 1);
  EXPECT_EQ(OxTestRectToRect(&o, 2, 2, &two, 2, 2), 1);
  EXPECT_EQ(OxTestRectToRect(&o, 2, 2, &apart, 2, 2), 0);
  OxVec2 below = V(0, -2.001f);
  EXPECT_EQ(OxTestRectToRect(&o, 2, 2, &below, 2, 2), 0);
  OxVec2 edge = V(1, -1), outside = V(-1.001f, 0), under = V(0, -1.001f);
  EXPECT_EQ(OxTestPointToRect(&edge, &o, 2, 2), 1);
  EXPECT_EQ(OxTestPointToRect(&outside, &o, 2, 2), 0);
  EXPECT_EQ(OxTestPointToRect(&under, &o, 2, 2), 0);
}

TEST(Segment, BuildAndSide)
{
  // (0,0)-(10,0): normal (0,-1), offset 0; (0,0)-(0,10): normal (1, -0);
  // coincident ends within 1e-5: 0 and the record untouched.
  OxLineSegment2 s = Floor();
  EXPECT_EQ(s.normal.x, 0.0f);
  EXPECT_EQ(s.normal.y, -1.0f);
  EXPECT_EQ(s.normalDotP0, 0.0f);
  OxLineSegment2 wall;
  OxVec2 a = V(0, 0), b = V(0, 10);
  EXPECT_EQ(OxBuildLineSegment2(&wall, &a, &b), 1);
  EXPECT_EQ(wall.normal.x, 1.0f);
  EXPECT_EQ(wall.normal.y, 0.0f);
  EXPECT_TRUE(signbit(wall.normal.y));
  OxLineSegment2 offset;
  OxVec2 c = V(0, 3), d = V(4, 3);
  OxBuildLineSegment2(&offset, &c, &d);
  EXPECT_EQ(offset.normalDotP0, -3.0f);
  OxLineSegment2 kept = s;
  OxVec2 e = V(1, 1), f = V(1.000001f, 1);
  EXPECT_EQ(OxBuildLineSegment2(&kept, &e, &f), 0);
  EXPECT_EQ(kept.p1.x, 10.0f);
  // Signed distance: front (below) positive.
  OxVec2 front = V(5, -3), behind = V(5, 3);
  EXPECT_EQ(OxStaticPointToStaticLineSegment(&front, &s), 3.0f);
  EXPECT_EQ(OxStaticPointToStaticLineSegment(&behind, &s), -3.0f);
}

TEST(Swept, PointAgainstSegment)
{
  OxLineSegment2 s = Floor();
  OxVec2 hit, reflected;
  // Crossing the middle: 0.5 at (5, 0); its reflection is (0, 5).
  OxVec2 a0 = V(5, 5), a1 = V(5, -5);
  reflected = kUnwritten;
  EXPECT_EQ(OxReflectAnimatedPointOnStaticLineSegment(&a0, &a1, &s, &hit, &reflected), 0.5f);
  EXPECT_EQ(hit.x, 5.0f);
  EXPECT_EQ(hit.y, 0.0f);
  EXPECT_EQ(reflected.x, 0.0f);
  EXPECT_EQ(reflected.y, 5.0f);
  // Beyond the p1 end: -1, hit untouched. Exactly at the end point: accepted.
  OxVec2 b0 = V(15, 5), b1 = V(15, -5), c0 = V(10, 5), c1 = V(10, -5);
  hit = kUnwritten;
  EXPECT_EQ(OxAnimatedPointToStaticLineSegment(&b0, &b1, &s, &hit), -1.0f);
  ExpectUnwritten(hit);
  EXPECT_EQ(OxAnimatedPointToStaticLineSegment(&c0, &c1, &s, &hit), 0.5f);
  EXPECT_EQ(hit.x, 10.0f);
  // Wholly behind, wholly in front, parallel on the line, zero step: -1.
  OxVec2 d0 = V(0, 5), d1 = V(10, 5), e0 = V(0, -5), e1 = V(10, -5), f0 = V(1, 0),
         f1 = V(9, 0), g = V(5, 0);
  EXPECT_EQ(OxAnimatedPointToStaticLineSegment(&d0, &d1, &s, &hit), -1.0f);
  EXPECT_EQ(OxAnimatedPointToStaticLineSegment(&e0, &e1, &s, &hit), -1.0f);
  EXPECT_EQ(OxAnimatedPointToStaticLineSegment(&f0, &f1, &s, &hit), -1.0f);
  EXPECT_EQ(OxAnimatedPointToStaticLineSegment(&g, &g, &s, &hit), -1.0f);
  // Starting on the line: t = 0, and no reflection is written for t = 0.
  OxVec2 h1 = V(5, -5);
  reflected = kUnwritten;
  EXPECT_EQ(OxReflectAnimatedPointOnStaticLineSegment(&g, &h1, &s, &hit, &reflected), 0.0f);
  ExpectUnwritten(reflected);
}

TEST(Swept, CircleAgainstSegment)
{
  OxLineSegment2 s = Floor();
  OxVec2 hit, reflected;
  // Radius 1 from (5, 5) to (5, -5): 0.4 with the centre at (5, 1); the
  // reflection of the remaining (0, -6) is (0, 6).
  OxVec2 a0 = V(5, 5), a1 = V(5, -5);
  EXPECT_FLOAT_EQ(OxReflectAnimatedCircleOnStaticLineSegment(&a0, &a1, 1.0f, &s, &hit,
                                                             &reflected),
                  0.4f);
  EXPECT_FLOAT_EQ(hit.x, 5.0f);
  EXPECT_FLOAT_EQ(hit.y, 1.0f);
  EXPECT_FLOAT_EQ(reflected.y, 6.0f);
  // From the front side the contact is on the front: centre at (5, -1).
  OxVec2 f0 = V(5, -5), f1 = V(5, 5);
  EXPECT_FLOAT_EQ(OxAnimatedCircleToStaticLineSegment(&f0, &f1, 1.0f, &s, &hit), 0.4f);
  EXPECT_FLOAT_EQ(hit.y, -1.0f);
  // Already overlapping at (5, 0.5): a negative time, no reflection written.
  OxVec2 b0 = V(5, 0.5f);
  reflected = kUnwritten;
  float t = OxReflectAnimatedCircleOnStaticLineSegment(&b0, &a1, 1.0f, &s, &hit, &reflected);
  EXPECT_LT(t, 0.0f);
  EXPECT_NE(t, -1.0f);
  ExpectUnwritten(reflected);
  // Staying more than a radius away, or moving parallel: -1.
  OxVec2 c0 = V(0, 3), c1 = V(10, 1.5f), d0 = V(0, 0.5f), d1 = V(10, 0.5f);
  EXPECT_EQ(OxAnimatedCircleToStaticLineSegment(&c0, &c1, 1.0f, &s, &hit), -1.0f);
  EXPECT_EQ(OxAnimatedCircleToStaticLineSegment(&d0, &d1, 1.0f, &s, &hit), -1.0f);
  // The centre passing beyond an end is not detected, even within a radius.
  OxVec2 e0 = V(10.5f, 5), e1 = V(10.5f, -5);
  hit = kUnwritten;
  EXPECT_EQ(OxAnimatedCircleToStaticLineSegment(&e0, &e1, 1.0f, &s, &hit), -1.0f);
  ExpectUnwritten(hit);
}

TEST(Swept, PointAgainstCircle)
{
  OxVec2 c = V(0, 0), hit, reflected;
  // Through the middle: 0.4 at (-2, 0); reflected (-8, 0) (length of the
  // travel before contact).
  OxVec2 a0 = V(-10, 0), a1 = V(10, 0);
  EXPECT_EQ(OxReflectAnimatedPointOnStaticCircle(&a0, &a1, &c, 2.0f, &hit, &reflected), 0.4f);
  EXPECT_EQ(hit.x, -2.0f);
  EXPECT_EQ(hit.y, 0.0f);
  EXPECT_EQ(reflected.x, -8.0f);
  EXPECT_EQ(reflected.y, 0.0f);
  // Stopping short: the crossing lies beyond the end, -1.
  OxVec2 b1 = V(-5, 0);
  EXPECT_EQ(OxAnimatedPointToStaticCircle(&a0, &b1, &c, 2.0f, &hit), -1.0f);
  // The motion's line misses; a tangent touches.
  OxVec2 m0 = V(-10, 3), m1 = V(10, 3), t0 = V(-10, 2), t1 = V(10, 2);
  EXPECT_EQ(OxAnimatedPointToStaticCircle(&m0, &m1, &c, 2.0f, &hit), -1.0f);
  EXPECT_EQ(OxAnimatedPointToStaticCircle(&t0, &t1, &c, 2.0f, &hit), 0.5f);
  EXPECT_EQ(hit.x, 0.0f);
  EXPECT_EQ(hit.y, 2.0f);
  // Start inside moving away: -1; start inside moving towards the centre: a
  // negative time (the crossing behind), no reflection.
  OxVec2 in = V(1, 0), away = V(5, 0), towards = V(-5, 0);
  EXPECT_EQ(OxAnimatedPointToStaticCircle(&in, &away, &c, 2.0f, &hit), -1.0f);
  reflected = kUnwritten;
  float t = OxReflectAnimatedPointOnStaticCircle(&in, &towards, &c, 2.0f, &hit, &reflected);
  EXPECT_FLOAT_EQ(t, -1.0f / 6.0f);  // the crossing at (2, 0), behind the start
  EXPECT_FLOAT_EQ(hit.x, 2.0f);
  ExpectUnwritten(reflected);
}

TEST(Swept, CircleMendsNoContact)
{
  OxVec2 c = V(0, 0), hit, reflected;
  // Zero step outside, inside and on the circle: -1, neither hit nor
  // reflected written (also through the circle-against-circle forms).
  OxVec2 points[3] = {V(-10, 0), V(0.5f, 0), V(2, 0)};
  for (const OxVec2& p : points) {
    hit = kUnwritten;
    reflected = kUnwritten;
    EXPECT_EQ(OxAnimatedPointToStaticCircle(&p, &p, &c, 2.0f, &hit), -1.0f);
    EXPECT_EQ(OxReflectAnimatedPointOnStaticCircle(&p, &p, &c, 2.0f, &hit, &reflected), -1.0f);
    EXPECT_EQ(OxAnimatedCircleToStaticCircle(&p, &p, 1.0f, &c, 1.0f, &hit), -1.0f);
    EXPECT_EQ(OxReflectAnimatedCircleOnStaticCircle(&p, &p, 1.0f, &c, 1.0f, &hit, &reflected),
              -1.0f);
    ExpectUnwritten(hit);
    ExpectUnwritten(reflected);
  }
  // Start outside moving away (the crossing behind the start): -1, hit kept.
  OxVec2 s0 = V(-10, 0), s1 = V(-20, 0);
  hit = kUnwritten;
  EXPECT_EQ(OxAnimatedPointToStaticCircle(&s0, &s1, &c, 2.0f, &hit), -1.0f);
  ExpectUnwritten(hit);
  // Start on the circle moving away: no contact either.
  OxVec2 e0 = V(-2, 0), e1 = V(-6, 0);
  EXPECT_EQ(OxAnimatedPointToStaticCircle(&e0, &e1, &c, 2.0f, &hit), -1.0f);
  // Start on the circle moving in: contact at t = 0, no reflection.
  OxVec2 i1 = V(6, 0);
  reflected = kUnwritten;
  EXPECT_EQ(OxReflectAnimatedPointOnStaticCircle(&e0, &i1, &c, 2.0f, &hit, &reflected), 0.0f);
  ExpectUnwritten(reflected);
}

TEST(Swept, CircleAgainstCircle)
{
  // Radii 1 and 1 equal the point query against radius 2; hit is the moving
  // centre; reflections agree.
  OxVec2 c = V(0, 0), a0 = V(-10, 1), a1 = V(10, -0.5f), hitCircle, hitPoint, rCircle, rPoint;
  float tc = OxReflectAnimatedCircleOnStaticCircle(&a0, &a1, 1.0f, &c, 1.0f, &hitCircle, &rCircle);
  float tp = OxReflectAnimatedPointOnStaticCircle(&a0, &a1, &c, 2.0f, &hitPoint, &rPoint);
  EXPECT_GT(tc, 0.0f);
  EXPECT_EQ(tc, tp);
  EXPECT_EQ(hitCircle.x, hitPoint.x);
  EXPECT_EQ(hitCircle.y, hitPoint.y);
  EXPECT_EQ(rCircle.x, rPoint.x);
  EXPECT_EQ(rCircle.y, rPoint.y);
  EXPECT_NEAR(OxVec2Distance(&hitCircle, &c), 2.0f, 1e-5f);
  EXPECT_EQ(OxAnimatedCircleToStaticCircle(&a0, &a1, 1.0f, &c, 1.0f, &hitCircle), tp);
}

namespace {

// A small deterministic generator, so that the aliasing cases are the same
// on every run: uniform floats in [low, high).
struct Numbers {
  unsigned int state = 12345u;
  float Next(float low, float high)
  {
    state = state * 1664525u + 1013904223u;
    return low + (high - low) * static_cast<float>(state >> 8) / 16777216.0f;
  }
};

// The inputs of one reflection query; hit and reflected are written by it.
struct Query {
  OxVec2 start, end, center;
  float radius;
  OxVec2 hit, reflected;
};

// Which reflection function a query goes to.
enum class Reflection { PointOnSegment, CircleOnSegment, PointOnCircle, CircleOnCircle };

// Runs the query with hit and reflected pointing wherever the caller says
// (into the query's own inputs or its outputs); the segment is built from
// the query's start-independent fixed end points.
float Reflect(Reflection kind, Query& q, const OxLineSegment2& segment, OxVec2* hit,
              OxVec2* reflected)
{
  switch (kind) {
    case Reflection::PointOnSegment:
      return OxReflectAnimatedPointOnStaticLineSegment(&q.start, &q.end, &segment, hit, reflected);
    case Reflection::CircleOnSegment:
      return OxReflectAnimatedCircleOnStaticLineSegment(&q.start, &q.end, q.radius, &segment, hit,
                                                        reflected);
    case Reflection::PointOnCircle:
      return OxReflectAnimatedPointOnStaticCircle(&q.start, &q.end, &q.center, q.radius, hit,
                                                  reflected);
    case Reflection::CircleOnCircle:
      return OxReflectAnimatedCircleOnStaticCircle(&q.start, &q.end, 0.5f * q.radius, &q.center,
                                                   0.5f * q.radius, hit, reflected);
  }
  return 0;
}

}  // namespace

// Cases, for each of the four reflections over 400 random steps that make
// contact (t > 0): hit given as the start, the end or the centre, and
// reflected given as the start, the end or the centre, give the time, hit
// and reflection that separate outputs give. Writing the contact point back
// into the position is a natural idiom in a game's update.
TEST(Swept, ReflectionsWithOutputsAliasingInputs)
{
  OxLineSegment2 segment;
  OxVec2 p0 = V(-20, 0), p1 = V(20, 0);
  ASSERT_EQ(OxBuildLineSegment2(&segment, &p0, &p1), 1);
  const Reflection kinds[] = {Reflection::PointOnSegment, Reflection::CircleOnSegment,
                              Reflection::PointOnCircle, Reflection::CircleOnCircle};
  const char* const names[] = {"point on segment", "circle on segment", "point on circle",
                               "circle on circle"};
  for (int k = 0; k < 4; ++k) {
    Numbers numbers;
    int contacts = 0, mismatches = 0;
    for (int attempt = 0; attempt < 20000 && contacts < 400; ++attempt) {
      Query base;
      base.start = V(numbers.Next(-12, 12), numbers.Next(-12, 12));
      base.end = V(numbers.Next(-12, 12), numbers.Next(-12, 12));
      base.center = V(numbers.Next(-2, 2), numbers.Next(-2, 2));
      base.radius = numbers.Next(0.5f, 4);
      Query separate = base;
      float t = Reflect(kinds[k], separate, segment, &separate.hit, &separate.reflected);
      if (!(t > 0.0f)) continue;
      ++contacts;
      // Each aliasing: which input hit takes, which reflected takes (0 none).
      for (int hitInto = 0; hitInto <= 3; ++hitInto) {
        for (int reflectedInto = 0; reflectedInto <= 3; ++reflectedInto) {
          if (hitInto == 0 && reflectedInto == 0) continue;
          if (hitInto != 0 && hitInto == reflectedInto) continue;
          Query q = base;
          OxVec2* inputs[4] = {nullptr, &q.start, &q.end, &q.center};
          OxVec2* hit = hitInto ? inputs[hitInto] : &q.hit;
          OxVec2* reflected = reflectedInto ? inputs[reflectedInto] : &q.reflected;
          float aliased = Reflect(kinds[k], q, segment, hit, reflected);
          bool same = aliased == t && hit->x == separate.hit.x && hit->y == separate.hit.y &&
                      reflected->x == separate.reflected.x &&
                      reflected->y == separate.reflected.y;
          if (!same) ++mismatches;
        }
      }
    }
    EXPECT_EQ(contacts, 400) << names[k];
    EXPECT_EQ(mismatches, 0) << names[k] << ": of " << contacts << " contacts x 14 aliasings";
  }
}
