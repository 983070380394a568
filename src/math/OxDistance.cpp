// Static collision: signed distances and overlap tests between points,
// circles, axis-aligned rectangles and segments. Leans on the OxVec2 family
// and OxClamp; every distance is a true (square-rooted) distance.
#include <math.h>

#include "OxCollision.h"
#include "OxMath.h"

float OxCalcDistPointToCircle(const OxVec2* point, const OxVec2* center, float radius)
{
  return OxVec2Distance(point, center) - radius;
}

float OxCalcDistPointToRect(const OxVec2* point, const OxVec2* rectCenter, float width,
                            float height)
{
  OxVec2 d;
  OxVec2Sub(&d, point, rectCenter);
  float hw = width * 0.5f;
  float hh = height * 0.5f;
  if (fabs(static_cast<double>(d.x)) > static_cast<double>(hw) ||
      fabs(static_cast<double>(d.y)) > static_cast<double>(hh)) {
    OxVec2 c;
    c.x = OxClamp(d.x, -hw, hw);
    c.y = OxClamp(d.y, -hh, hh);
    return OxVec2Distance(&d, &c);
  }
  // Inside or on the edge: minus the distance to the nearest edge.
  float ex = (d.x >= 0.0f) ? hw - d.x : hw + d.x;
  float ey = (d.y >= 0.0f) ? hh - d.y : hh + d.y;
  float nearest = (ey > ex) ? ex : ey;
  return -nearest;
}

float OxCalcDistPointToLineSeg(const OxVec2* point, const OxVec2* p0, const OxVec2* p1)
{
  OxVec2 s, v;
  OxVec2Sub(&s, p1, p0);
  OxVec2Sub(&v, point, p0);
  float len = OxVec2Length(&s);
  if (len < OX_EPSILON) return OxVec2Distance(point, p0);
  float t = OxVec2DotProduct(&s, &v) / len;
  if (t <= 0.0f) return OxVec2Length(&v);
  if (t >= len) return OxVec2Distance(point, p1);
  // Rounding can make the squared perpendicular distance slightly negative.
  float q = OxVec2SquareLength(&v) - t * t;
  if (q <= 0.0f) return 0.0f;
  return sqrtf(q);
}

// No polygon distance is defined: a fixed -1 without reading the arguments.
float OxCalcDistPointToConvexPoly(const OxVec2* point, const OxVec2* polygon, int count)
{
  (void)point;
  (void)polygon;
  (void)count;
  return -1.0f;
}

float OxCalcDistCircleToCircle(const OxVec2* center0, float radius0, const OxVec2* center1,
                               float radius1)
{
  return (OxVec2Distance(center0, center1) - radius0) - radius1;
}

float OxCalcDistCircleToRect(const OxVec2* center, float radius, const OxVec2* rectCenter,
                             float width, float height)
{
  return OxCalcDistPointToRect(center, rectCenter, width, height) - radius;
}

float OxCalcDistRectToRect(const OxVec2* center0, float width0, float height0,
                           const OxVec2* center1, float width1, float height1, OxVec2* normal)
{
  OxVec2 d;
  OxVec2Sub(&d, center1, center0);
  // The sums are formed first, then halved; contact is no penetration.
  if (fabs(static_cast<double>(d.x)) >= static_cast<double>((width0 + width1) * 0.5f) ||
      fabs(static_cast<double>(d.y)) >= static_cast<double>((height0 + height1) * 0.5f))
    return 0.0f;

  float depth;
  OxVec2 n;
  if (d.x >= 0.0f) {
    depth = (d.x - width0 * 0.5f) - width1 * 0.5f;
    OxVec2Set(&n, -1.0f, 0.0f);
  } else {
    depth = (-d.x - width0 * 0.5f) - width1 * 0.5f;
    OxVec2Set(&n, 1.0f, 0.0f);
  }
  float dy;
  OxVec2 candidate;
  if (d.y >= 0.0f) {
    dy = (d.y - height0 * 0.5f) - height1 * 0.5f;
    OxVec2Set(&candidate, 0.0f, -1.0f);
  } else {
    dy = (-d.y - height0 * 0.5f) - height1 * 0.5f;
    OxVec2Set(&candidate, 0.0f, 1.0f);
  }
  // Both depths are negative: the larger is the axis of least penetration.
  if (dy > depth) {
    depth = dy;
    n = candidate;
  }
  if (normal) *normal = n;
  return depth;
}

int OxTestPointToCircle(const OxVec2* point, const OxVec2* center, float radius)
{
  return (radius >= OxVec2Distance(point, center)) ? 1 : 0;
}

int OxTestPointToRect(const OxVec2* point, const OxVec2* rectCenter, float width, float height)
{
  OxVec2 d;
  OxVec2Sub(&d, point, rectCenter);
  float hw = width * 0.5f;
  float hh = height * 0.5f;
  if (d.x > hw || -hw > d.x || d.y > hh || -hh > d.y) return 0;
  return 1;
}

int OxTestCircleToCircle(const OxVec2* center0, float radius0, const OxVec2* center1,
                         float radius1)
{
  return (OxVec2Distance(center0, center1) <= radius0 + radius1) ? 1 : 0;
}

int OxTestCircleToRect(const OxVec2* center, float radius, const OxVec2* rectCenter, float width,
                       float height)
{
  return (radius > OxCalcDistPointToRect(center, rectCenter, width, height)) ? 1 : 0;
}

int OxTestRectToRect(const OxVec2* center0, float width0, float height0, const OxVec2* center1,
                     float width1, float height1)
{
  OxVec2 d;
  OxVec2Sub(&d, center1, center0);
  float sx = width0 * 0.5f + width1 * 0.5f;
  float sy = height0 * 0.5f + height1 * 0.5f;
  if (d.x > sx || -sx > d.x || d.y > sy || -sy > d.y) return 0;
  return 1;
}
