// Swept collision: segments prepared with their unit normal, and moving
// points and circles against static segments and circles, with reflection.
// Leans on the OxVec2 family; times are fractions of the step, -1 for none.
// Every query copies its inputs before it writes an output, so hit and
// reflected may be the same objects as start, end or center.
#include <math.h>

#include "OxCollision.h"
#include "OxMath.h"

namespace {

// The 1e-5 tolerance widened to double for the |difference| tests.
const double kEpsilon64 = static_cast<double>(OX_EPSILON);
const float kNoContact = -1.0f;

bool IsBelowTolerance(float value)
{
  return fabs(static_cast<double>(value)) < kEpsilon64;
}

// Accepts q when it lies between the end points (either end included).
bool WithinSegment(const OxVec2* q, const OxLineSegment2* segment)
{
  OxVec2 fromP0, along, fromP1, back;
  OxVec2Sub(&fromP0, q, &segment->p0);
  OxVec2Sub(&along, &segment->p1, &segment->p0);
  if (OxVec2DotProduct(&fromP0, &along) < 0.0f) return false;
  OxVec2Sub(&fromP1, q, &segment->p1);
  OxVec2Sub(&back, &segment->p0, &segment->p1);
  if (OxVec2DotProduct(&fromP1, &back) < 0.0f) return false;
  return true;
}

// The remaining step end - hit mirrored in the segment's line.
void ReflectOnSegment(const OxVec2* end, const OxLineSegment2* segment, const OxVec2* hit,
                      OxVec2* reflected)
{
  OxVec2 u, w;
  OxVec2Sub(&u, end, hit);
  float k = OxVec2DotProduct(&u, &segment->normal);
  OxVec2Scale(&w, &segment->normal, k);
  OxVec2ScaleAdd(reflected, &w, &u, -2.0f);
}

}  // namespace

int OxBuildLineSegment2(OxLineSegment2* result, const OxVec2* p0, const OxVec2* p1)
{
  if (IsBelowTolerance(p0->x - p1->x) && IsBelowTolerance(p0->y - p1->y)) return 0;
  OxVec2 first = *p0, second = *p1;
  result->p0 = first;
  result->p1 = second;
  OxVec2 d;
  OxVec2Sub(&d, &second, &first);
  OxVec2Set(&result->normal, d.y, -d.x);
  OxVec2Normalize(&result->normal, &result->normal);
  result->normalDotP0 = OxVec2DotProduct(&result->normal, &result->p0);
  return 1;
}

float OxStaticPointToStaticLineSegment(const OxVec2* point, const OxLineSegment2* segment)
{
  return OxVec2DotProduct(&segment->normal, point) - segment->normalDotP0;
}

// ---- Queries on copies ------------------------------------------------------------
// Each takes its inputs by value and writes the contact to *hit only when
// it has one to report, so the exported forms can pass pointers that alias.

namespace {

float PointToSegment(OxVec2 start, OxVec2 end, const OxLineSegment2* segment, OxVec2* hit)
{
  const OxVec2* n = &segment->normal;
  float c = segment->normalDotP0;
  float nStart = OxVec2DotProduct(n, &start);
  float nEnd = OxVec2DotProduct(n, &end);
  if (nStart < c && nEnd < c) return kNoContact;  // wholly behind
  if (nStart > c && nEnd > c) return kNoContact;  // wholly in front
  OxVec2 v;
  OxVec2Sub(&v, &end, &start);
  float nv = OxVec2DotProduct(n, &v);
  if (IsBelowTolerance(nv)) return kNoContact;  // parallel or too slow to resolve
  // n . p0 afresh from the stored p0, not the stored offset.
  float t = (OxVec2DotProduct(n, &segment->p0) - nStart) / nv;
  OxVec2 q;
  OxVec2ScaleAdd(&q, &v, &start, t);
  if (!WithinSegment(&q, segment)) return kNoContact;
  *hit = q;
  return t;
}

float CircleToSegment(OxVec2 start, OxVec2 end, float radius, const OxLineSegment2* segment,
                      OxVec2* hit)
{
  const OxVec2* n = &segment->normal;
  float c = segment->normalDotP0;
  float nStart = OxVec2DotProduct(n, &start);
  float ds = nStart - c;
  float de = OxVec2DotProduct(n, &end) - c;
  if (-radius > ds && -radius > de) return kNoContact;  // more than a radius behind
  if (ds > radius && de > radius) return kNoContact;    // more than a radius in front
  OxVec2 v;
  OxVec2Sub(&v, &end, &start);
  float nv = OxVec2DotProduct(n, &v);
  if (IsBelowTolerance(nv)) return kNoContact;
  // The circle touches the line from the side its centre starts on.
  float touch = (OxStaticPointToStaticLineSegment(&start, segment) < 0.0f) ? -radius : radius;
  float t = ((OxVec2DotProduct(n, &segment->p0) - nStart) + touch) / nv;
  OxVec2 q;
  OxVec2ScaleAdd(&q, &v, &start, t);
  // NOTE: only while the centre projects onto the segment; the rounded
  // regions beyond the end points are not detected.
  if (!WithinSegment(&q, segment)) return kNoContact;
  *hit = q;
  return t;
}

// Also writes *hit for a crossing that lies beyond the end of the step.
float PointToCircle(OxVec2 start, OxVec2 end, OxVec2 center, float radius, OxVec2* hit)
{
  OxVec2 a, v, d;
  OxVec2Sub(&a, &center, &start);
  OxVec2Sub(&v, &end, &start);
  float stepLength = OxVec2Length(&v);
  // A zero step has no direction: no contact, nothing written.
  if (stepLength == 0.0f) return kNoContact;
  OxVec2Normalize(&d, &v);
  float m = OxVec2DotProduct(&a, &d);
  float l2 = OxVec2SquareDistance(&start, &center);
  float r2 = radius * radius;
  bool startsInside = l2 < r2;
  // Inside and moving away from the centre: the crossing lies behind.
  if (m < 0.0f && startsInside) return kNoContact;
  float h2 = l2 - m * m;
  if (h2 > r2) return kNoContact;  // the motion's line misses (a tangent touches)
  float s = sqrtf(r2 - h2);
  float t = (m - s) / stepLength;
  // Outside (or on) the circle with the crossing behind the start: no
  // contact in this step, so negative times mean a start inside the circle.
  if (t < 0.0f && !startsInside) return kNoContact;
  OxVec2 q;
  OxVec2ScaleAdd(&q, &v, &start, t);
  *hit = q;
  OxVec2 back, hitFromEnd;
  OxVec2Sub(&back, &start, &end);
  OxVec2Sub(&hitFromEnd, &q, &end);
  if (OxVec2DotProduct(&back, &hitFromEnd) < 0.0f) return kNoContact;  // beyond the end
  return t;
}

}  // namespace

// ---- Swept queries -------------------------------------------------------------------

float OxAnimatedPointToStaticLineSegment(const OxVec2* start, const OxVec2* end,
                                         const OxLineSegment2* segment, OxVec2* hit)
{
  return PointToSegment(*start, *end, segment, hit);
}

float OxAnimatedCircleToStaticLineSegment(const OxVec2* start, const OxVec2* end, float radius,
                                          const OxLineSegment2* segment, OxVec2* hit)
{
  return CircleToSegment(*start, *end, radius, segment, hit);
}

float OxReflectAnimatedPointOnStaticLineSegment(const OxVec2* start, const OxVec2* end,
                                                const OxLineSegment2* segment, OxVec2* hit,
                                                OxVec2* reflected)
{
  OxVec2 to = *end;
  float t = PointToSegment(*start, to, segment, hit);
  if (t > 0.0f) {
    OxVec2 contact = *hit;
    ReflectOnSegment(&to, segment, &contact, reflected);
  }
  return t;
}

float OxReflectAnimatedCircleOnStaticLineSegment(const OxVec2* start, const OxVec2* end,
                                                 float radius, const OxLineSegment2* segment,
                                                 OxVec2* hit, OxVec2* reflected)
{
  OxVec2 to = *end;
  float t = CircleToSegment(*start, to, radius, segment, hit);
  if (t > 0.0f) {
    OxVec2 contact = *hit;
    ReflectOnSegment(&to, segment, &contact, reflected);
  }
  return t;
}

float OxAnimatedPointToStaticCircle(const OxVec2* start, const OxVec2* end, const OxVec2* center,
                                    float radius, OxVec2* hit)
{
  return PointToCircle(*start, *end, *center, radius, hit);
}

float OxReflectAnimatedPointOnStaticCircle(const OxVec2* start, const OxVec2* end,
                                           const OxVec2* center, float radius, OxVec2* hit,
                                           OxVec2* reflected)
{
  OxVec2 from = *start, middle = *center;
  float t = PointToCircle(from, *end, middle, radius, hit);
  if (t > 0.0f) {
    OxVec2 contact = *hit, n, u;
    OxVec2Sub(&n, &contact, &middle);
    OxVec2Normalize(&n, &n);  // the outward normal at contact
    OxVec2Sub(&u, &from, &contact);
    float k = OxVec2DotProduct(&u, &n);
    OxVec2ScaleSub(reflected, &n, &u, 2.0f * k);
  }
  return t;
}

float OxAnimatedCircleToStaticCircle(const OxVec2* start, const OxVec2* end, float radius,
                                     const OxVec2* center, float centerRadius, OxVec2* hit)
{
  return OxAnimatedPointToStaticCircle(start, end, center, radius + centerRadius, hit);
}

float OxReflectAnimatedCircleOnStaticCircle(const OxVec2* start, const OxVec2* end,
                                            float radius, const OxVec2* center,
                                            float centerRadius, OxVec2* hit, OxVec2* reflected)
{
  return OxReflectAnimatedPointOnStaticCircle(start, end, center, radius + centerRadius, hit,
                                              reflected);
}
