/* Oxlen Engine collision: static distances and overlap tests between
   points, circles, axis-aligned rectangles and segments, and swept
   (moving) point and circle queries against static segments and circles,
   with reflection. Single precision throughout; pointers are not checked
   for null (except the optional normal of OxCalcDistRectToRect). No state:
   callable from any thread on distinct data.

   Shapes are loose arguments: a circle is its centre and radius; a
   rectangle is its centre followed by its FULL width and height (halved
   inside); a segment is its two end points. */
#ifndef OX_COLLISION_H
#define OX_COLLISION_H

#include "OxExport.h"
#include "OxVec2.h"

/* A segment prepared for the swept queries by OxBuildLineSegment2. normal is
   the unit normal (p1 - p0 turned a quarter turn clockwise: (dy, -dx)), and
   normalDotP0 = normal . p0, so the line is { x : normal . x = normalDotP0 }.
   The front (positive side) is the right-hand side walking from p0 to p1
   with y up: for (0, 0) to (1, 0) the normal is (0, -1). */
typedef struct OxLineSegment2 {
  OxVec2 p0;
  OxVec2 p1;
  OxVec2 normal;
  float normalDotP0;
} OxLineSegment2;

OX_EXTERN_C_BEGIN

/* ---- Distances: positive apart, negative overlapping. ---- */

/* |point - center| - radius: negative inside, 0 on the circle. */
OX_API float OxCalcDistPointToCircle(const OxVec2* point, const OxVec2* center, float radius);
/* Outside: the Euclidean distance to the nearest point of the rectangle.
   Inside or on the edge: minus the distance to the nearest edge (a point
   exactly on an edge gives -0). */
OX_API float OxCalcDistPointToRect(const OxVec2* point, const OxVec2* rectCenter,
                                   float width, float height);
/* Unsigned distance to the nearest point of the segment p0-p1; a segment
   shorter than 1e-5 counts as the point p0. */
OX_API float OxCalcDistPointToLineSeg(const OxVec2* point, const OxVec2* p0, const OxVec2* p1);
/* Not implemented: always -1, reads no argument (null pointers are fine). */
OX_API float OxCalcDistPointToConvexPoly(const OxVec2* point, const OxVec2* polygon, int count);
/* (|center0 - center1| - radius0) - radius1. */
OX_API float OxCalcDistCircleToCircle(const OxVec2* center0, float radius0,
                                      const OxVec2* center1, float radius1);
/* OxCalcDistPointToRect(center, ...) - radius. */
OX_API float OxCalcDistCircleToRect(const OxVec2* center, float radius, const OxVec2* rectCenter,
                                    float width, float height);
/* Penetration of two rectangles: minus the depth along the axis of least
   penetration (x wins a tie), or 0 when they are apart or only touching.
   On overlap writes to normal (when not null) the unit axis pointing from
   the second rectangle towards the first; otherwise normal is untouched. */
OX_API float OxCalcDistRectToRect(const OxVec2* center0, float width0, float height0,
                                  const OxVec2* center1, float width1, float height1,
                                  OxVec2* normal);

/* ---- Overlap tests: 1 overlap, 0 none. ---- */

/* Contact counts: 1 when radius >= |point - center|. */
OX_API int OxTestPointToCircle(const OxVec2* point, const OxVec2* center, float radius);
/* Edges count as inside. */
OX_API int OxTestPointToRect(const OxVec2* point, const OxVec2* rectCenter, float width,
                             float height);
/* Touching circles overlap. */
OX_API int OxTestCircleToCircle(const OxVec2* center0, float radius0, const OxVec2* center1,
                                float radius1);
/* Strict: a circle that only touches the rectangle does not overlap. */
OX_API int OxTestCircleToRect(const OxVec2* center, float radius, const OxVec2* rectCenter,
                              float width, float height);
/* Rectangles sharing an edge overlap. */
OX_API int OxTestRectToRect(const OxVec2* center0, float width0, float height0,
                            const OxVec2* center1, float width1, float height1);

/* ---- Segments and swept queries. Times are fractions t of the step:
   position = start + t (end - start). -1 means no contact. hit and
   reflected may be the same objects as start, end or center: the inputs are
   read before any output is written. ---- */

/* Builds result from p0 and p1; returns 1. Failure: 0 when the end points
   coincide within 1e-5 on both axes, result untouched. */
OX_API int OxBuildLineSegment2(OxLineSegment2* result, const OxVec2* p0, const OxVec2* p1);
/* Signed distance of point from the segment's infinite line:
   normal . point - normalDotP0 (positive in front). */
OX_API float OxStaticPointToStaticLineSegment(const OxVec2* point, const OxLineSegment2* segment);
/* Time at which a point moving from start to end crosses the segment, and
   the crossing in hit; end points of the segment count. -1 (hit untouched)
   when the step stays on one side, moves (nearly) parallel to the line or
   crosses it beyond an end. A zero step returns -1. */
OX_API float OxAnimatedPointToStaticLineSegment(const OxVec2* start, const OxVec2* end,
                                                const OxLineSegment2* segment, OxVec2* hit);
/* Time at which a moving circle's centre comes within radius of the line on
   the side where it starts, with that centre in hit, while the centre
   projects onto the segment (the rounded ends are not detected). t is not
   clamped: a circle already overlapping the line gives a negative time or
   the time it leaves contact. -1 (hit untouched) for no contact. */
OX_API float OxAnimatedCircleToStaticLineSegment(const OxVec2* start, const OxVec2* end,
                                                 float radius, const OxLineSegment2* segment,
                                                 OxVec2* hit);
/* As OxAnimatedPointToStaticLineSegment; when t > 0 also writes reflected:
   the rest of the step (end - hit) mirrored in the line, so the bounced end
   is hit + reflected. */
OX_API float OxReflectAnimatedPointOnStaticLineSegment(const OxVec2* start, const OxVec2* end,
                                                       const OxLineSegment2* segment, OxVec2* hit,
                                                       OxVec2* reflected);
/* As OxAnimatedCircleToStaticLineSegment, with reflected as above when t > 0. */
OX_API float OxReflectAnimatedCircleOnStaticLineSegment(const OxVec2* start, const OxVec2* end,
                                                        float radius,
                                                        const OxLineSegment2* segment,
                                                        OxVec2* hit, OxVec2* reflected);
/* Time of the first crossing of the circle by a point moving from start to
   end, with the crossing in hit. -1 when the motion's line misses the
   circle (a tangent counts), when the crossing lies beyond the end (hit is
   then already written), when the start is outside (or on) the circle and
   the crossing lies behind it, when the start is inside and the motion
   points away from the centre, and for a zero step (hit untouched). A
   negative time means the start is inside the circle. */
OX_API float OxAnimatedPointToStaticCircle(const OxVec2* start, const OxVec2* end,
                                           const OxVec2* center, float radius, OxVec2* hit);
/* As OxAnimatedPointToStaticCircle; when t > 0 also writes reflected: the
   incoming direction (hit - start) mirrored in the tangent at contact,
   whose length is the distance travelled before contact. */
OX_API float OxReflectAnimatedPointOnStaticCircle(const OxVec2* start, const OxVec2* end,
                                                  const OxVec2* center, float radius, OxVec2* hit,
                                                  OxVec2* reflected);
/* A moving circle of radius against a static circle: the point query
   against radius + centerRadius; hit is the moving centre at contact. */
OX_API float OxAnimatedCircleToStaticCircle(const OxVec2* start, const OxVec2* end, float radius,
                                            const OxVec2* center, float centerRadius,
                                            OxVec2* hit);
/* As OxAnimatedCircleToStaticCircle, with the reflection of
   OxReflectAnimatedPointOnStaticCircle. */
OX_API float OxReflectAnimatedCircleOnStaticCircle(const OxVec2* start, const OxVec2* end,
                                                   float radius, const OxVec2* center,
                                                   float centerRadius, OxVec2* hit,
                                                   OxVec2* reflected);

OX_EXTERN_C_END

#endif
