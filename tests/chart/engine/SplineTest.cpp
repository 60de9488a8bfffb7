#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "chart/engine/Spline.h"

using namespace Spline;

namespace {

struct P {
    float x, y;
};

std::unique_ptr<Cardinal> Through(const std::vector<P>& points, float tension = 0.2f)
{
    std::unique_ptr<ControlPoint[]> control(new ControlPoint[points.size()]);
    for (std::size_t i = 0; i < points.size(); ++i) {
        control[i].x = points[i].x;
        control[i].y = points[i].y;
    }
    return std::make_unique<Cardinal>(std::move(control), static_cast<unsigned>(points.size()),
                                      tension);
}

bool Finite(const Vector& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

} // namespace

TEST(Cardinal, TwoPointsMakeTheStraightSegment)
{
    auto curve = Through({{10, 20}, {40, 60}});
    ASSERT_EQ(curve->SegmentCount(), 1u);
    // Both tangents are the chord, which makes the Hermite segment a straight line.
    for (unsigned i = 0; i < 2; ++i) {
        EXPECT_FLOAT_EQ(curve->GetPoint(i).tx, 30.0f);
        EXPECT_FLOAT_EQ(curve->GetPoint(i).ty, 40.0f);
    }
    for (float t : {0.1f, 0.25f, 0.5f, 0.9f}) {
        Vector v = curve->PositionIn(0, t);
        EXPECT_NEAR(v.x, 10 + 30 * t, 1e-4);
        EXPECT_NEAR(v.y, 20 + 40 * t, 1e-4);
        EXPECT_EQ(v.z, 0.0f);
    }
    // Each of the 1000 chords counted once: the length is the distance.
    EXPECT_NEAR(curve->TotalLength(), 50.0f, 1e-3);
    Vector tangent = curve->TangentAt(20.0f);
    EXPECT_NEAR(tangent.x, 0.6f, 1e-5);
    EXPECT_NEAR(tangent.y, 0.8f, 1e-5);
    // Half way along the length is half way along the line.
    Vector middle = curve->PositionAt(25.0f);
    EXPECT_NEAR(middle.x, 25.0f, 1e-3);
    EXPECT_NEAR(middle.y, 40.0f, 1e-3);
}

TEST(Cardinal, ThreePointTangents)
{
    auto curve = Through({{0, 0}, {10, 10}, {20, 0}});
    EXPECT_FLOAT_EQ(curve->GetPoint(0).tx, 10.0f);
    EXPECT_FLOAT_EQ(curve->GetPoint(0).ty, 10.0f);
    EXPECT_FLOAT_EQ(curve->GetPoint(1).tx, 4.0f);
    EXPECT_FLOAT_EQ(curve->GetPoint(1).ty, 0.0f);
    EXPECT_FLOAT_EQ(curve->GetPoint(2).tx, 10.0f);
    EXPECT_FLOAT_EQ(curve->GetPoint(2).ty, -10.0f);
    // Symmetric curve: equal halves, longer than the chords.
    ASSERT_EQ(curve->SegmentCount(), 2u);
    EXPECT_NEAR(curve->GetSegment(0).length, curve->GetSegment(1).length, 1e-3);
    EXPECT_GT(curve->GetSegment(0).length, std::sqrt(200.0f));
    EXPECT_EQ(curve->GetSegment(0).startDistance, 0.0f);
    EXPECT_EQ(curve->GetSegment(1).startDistance, curve->GetSegment(0).length);
    EXPECT_FLOAT_EQ(curve->TotalLength(),
                    curve->GetSegment(0).length + curve->GetSegment(1).length);
    // At the top the curve runs along +x.
    Vector top = curve->TangentIn(1, 0.0f);
    EXPECT_NEAR(top.x, 1.0f, 1e-6);
    EXPECT_NEAR(top.y, 0.0f, 1e-6);
}

TEST(Cardinal, EndsAreExact)
{
    auto curve = Through({{3, 4}, {10, 17}, {25, 5}, {31, 40}});
    Vector start = curve->PositionAt(0.0f);
    EXPECT_EQ(start.x, 3.0f);
    EXPECT_EQ(start.y, 4.0f);
    Vector end = curve->PositionAt(curve->TotalLength());
    EXPECT_EQ(end.x, 31.0f);
    EXPECT_EQ(end.y, 40.0f);
    for (unsigned i = 0; i < curve->SegmentCount(); ++i) {
        Vector a = curve->PositionIn(i, 0.0f), b = curve->PositionIn(i, 1.0f);
        EXPECT_EQ(a.x, curve->GetPoint(i).x);
        EXPECT_EQ(a.y, curve->GetPoint(i).y);
        EXPECT_EQ(b.x, curve->GetPoint(i + 1).x);
        EXPECT_EQ(b.y, curve->GetPoint(i + 1).y);
    }
    // Inner control points are passed at their start distances.
    Vector second = curve->PositionAt(curve->GetSegment(1).startDistance);
    EXPECT_NEAR(second.x, 10.0f, 1e-4);
    EXPECT_NEAR(second.y, 17.0f, 1e-4);
}

TEST(Cardinal, DistancesOutsideTheCurveGiveItsEnds)
{
    auto curve = Through({{0, 0}, {10, 10}, {20, 0}});
    Vector before = curve->PositionAt(-5.0f);
    EXPECT_EQ(before.x, 0.0f);
    EXPECT_EQ(before.y, 0.0f);
    Vector beyond = curve->PositionAt(curve->TotalLength() * 3.0f);
    EXPECT_EQ(beyond.x, 20.0f);
    EXPECT_EQ(beyond.y, 0.0f);
    EXPECT_TRUE(Finite(curve->PositionAt(std::nanf(""))));
    EXPECT_TRUE(Finite(curve->TangentAt(1e30f)));
}

TEST(Cardinal, EqualPointsGiveDefinedPositionsNotNaN)
{
    // Three equal points first: the first segment has no length at all (its
    // tangents vanish too), and distance 0 falls into it.
    auto curve = Through({{0, 0}, {0, 0}, {0, 0}, {10, 0}});
    ASSERT_EQ(curve->SegmentCount(), 3u);
    EXPECT_EQ(curve->GetSegment(0).length, 0.0f);
    Vector at = curve->PositionAt(0.0f);
    EXPECT_EQ(at.x, 0.0f);
    EXPECT_EQ(at.y, 0.0f);
    EXPECT_TRUE(Finite(curve->TangentAt(0.0f)));
    for (float d = 0.0f; d <= curve->TotalLength() + 1.0f; d += 0.25f) {
        EXPECT_TRUE(Finite(curve->PositionAt(d))) << d;
        EXPECT_TRUE(Finite(curve->TangentAt(d))) << d;
    }
    // Two equal points inside a line: their segment loops (the neighbours
    // give it tangents) and everything along it is defined.
    auto loop = Through({{0, 0}, {5, 5}, {5, 5}, {10, 0}});
    EXPECT_GT(loop->GetSegment(1).length, 0.0f);
    for (float d = 0.0f; d <= loop->TotalLength() + 1.0f; d += 0.25f) {
        EXPECT_TRUE(Finite(loop->PositionAt(d))) << d;
        EXPECT_TRUE(Finite(loop->TangentAt(d))) << d;
    }
    // A tangent of length 0 cannot be normalised: it comes back as zero.
    auto still = Through({{0, 0}, {0, 0}});
    Vector t = still->TangentIn(0, 0.5f);
    EXPECT_EQ(t.x, 0.0f);
    EXPECT_EQ(t.y, 0.0f);
    EXPECT_EQ(still->TotalLength(), 0.0f);
    Vector p = still->PositionAt(3.0f);
    EXPECT_EQ(p.x, 0.0f);
    EXPECT_EQ(p.y, 0.0f);
}

TEST(Cardinal, FewerThanTwoPointsMakeNoSegments)
{
    auto one = Through({{4, 9}});
    EXPECT_EQ(one->SegmentCount(), 0u);
    EXPECT_EQ(one->TotalLength(), 0.0f);
    Vector p = one->PositionAt(10.0f);
    EXPECT_EQ(p.x, 4.0f);
    EXPECT_EQ(p.y, 9.0f);
    auto none = Through({});
    EXPECT_EQ(none->SegmentCount(), 0u);
    Vector origin = none->PositionAt(1.0f);
    EXPECT_EQ(origin.x, 0.0f);
    EXPECT_EQ(origin.y, 0.0f);
    EXPECT_TRUE(Finite(none->TangentAt(0.0f)));
}

TEST(Walker, ClampsToTheCurve)
{
    std::vector<P> points = {{0, 0}, {100, 0}};
    Walker walker = Walker::Through(points);
    EXPECT_NEAR(walker.Length(), 100.0f, 1e-2);
    EXPECT_EQ(walker.Distance(), 0.0f);
    Vector v = walker.MoveTo(30.0f);
    EXPECT_EQ(walker.Distance(), 30.0f);
    EXPECT_NEAR(v.x, 30.0f, 1e-3);
    v = walker.MoveTo(500.0f);
    EXPECT_EQ(walker.Distance(), walker.Length());
    EXPECT_EQ(v.x, 100.0f);
    v = walker.MoveTo(-1.0f);
    EXPECT_EQ(walker.Distance(), 0.0f);
    EXPECT_EQ(v.x, 0.0f);
}

TEST(Cardinal, LookupByDistanceFindsTheFirstSegmentThatReachesIt)
{
    // Three thousand points with runs of equal ones (segments of length 0),
    // as a long "lines soft" graph gives them.
    std::vector<P> points;
    for (int i = 0; i < 3000; ++i) {
        const float y = (i / 3) % 7 == 0 ? 50.0f : static_cast<float>((i * 37) % 400);
        points.push_back({static_cast<float>(i / 3) * 0.2f, y});
    }
    auto curve = Through(points);
    ASSERT_EQ(curve->SegmentCount(), 2999u);
    // The rule by its words: the first segment whose start + length reaches
    // the distance, at the share of its length, a segment of length 0 at its end.
    auto expected = [&curve](float distance) {
        for (unsigned i = 0; i < curve->SegmentCount(); ++i) {
            const Segment& s = curve->GetSegment(i);
            if (s.startDistance + s.length >= distance) {
                float t = 1.0f;
                if (s.length > 0.0f)
                    t = std::clamp((distance - s.startDistance) / s.length, 0.0f, 1.0f);
                return curve->PositionIn(i, t);
            }
        }
        return curve->PositionIn(curve->SegmentCount() - 1, 1.0f);
    };
    std::vector<float> distances;
    for (unsigned i = 0; i < curve->SegmentCount(); ++i) {
        const Segment& s = curve->GetSegment(i);
        // Exactly at a segment's start and end, and inside it.
        distances.push_back(s.startDistance);
        distances.push_back(s.startDistance + s.length);
        distances.push_back(s.startDistance + s.length * 0.37f);
    }
    distances.push_back(curve->TotalLength() * 2.0f);
    for (float d : distances) {
        const Vector got = curve->PositionAt(d);
        const Vector want = expected(d);
        ASSERT_EQ(got.x, want.x) << d;
        ASSERT_EQ(got.y, want.y) << d;
    }
}

namespace {

Walker WalkerOf(const std::vector<P>& points, int kind) { return Walker::Through(points, kind); }

// The points of a walker's curve at n + 1 equal parameters of segment 0.
float PolylineLength(const Curve& curve, unsigned n)
{
    float length = 0.0f;
    Vector previous = curve.PositionIn(0, 0.0f);
    for (unsigned k = 1; k <= n; ++k) {
        Vector next = curve.PositionIn(0, static_cast<float>(k) / static_cast<float>(n));
        length += std::hypot(next.x - previous.x, next.y - previous.y);
        previous = next;
    }
    return length;
}

} // namespace

TEST(CurveKinds, BuilderGivesEachKindItsCurve)
{
    const std::vector<P> points = {{0, 0}, {10, 10}, {20, 0}, {35, 5}};
    Walker cardinal = WalkerOf(points, 0);
    Walker catmullRom = WalkerOf(points, 1);
    Walker bezier = WalkerOf(points, 2);
    Walker kb = WalkerOf(points, 3);
    EXPECT_NE(dynamic_cast<const Cardinal*>(&cardinal.GetCurve()), nullptr);
    EXPECT_EQ(dynamic_cast<const CatmullRom*>(&cardinal.GetCurve()), nullptr);
    EXPECT_NE(dynamic_cast<const CatmullRom*>(&catmullRom.GetCurve()), nullptr);
    EXPECT_NE(dynamic_cast<const Bezier*>(&bezier.GetCurve()), nullptr);
    EXPECT_NE(dynamic_cast<const KochanekBartels*>(&kb.GetCurve()), nullptr);

    // Cardinal 0.2 and Catmull-Rom 0.5 differ in the inner tangents only.
    EXPECT_FLOAT_EQ(cardinal.GetCurve().GetPoint(1).tx, 0.2f * 20.0f);
    EXPECT_FLOAT_EQ(catmullRom.GetCurve().GetPoint(1).tx, 0.5f * 20.0f);
    EXPECT_FLOAT_EQ(catmullRom.GetCurve().GetPoint(2).ty, 0.5f * (5.0f - 10.0f));
    EXPECT_FLOAT_EQ(catmullRom.GetCurve().GetPoint(0).tx, 10.0f);
    EXPECT_FLOAT_EQ(catmullRom.GetCurve().GetPoint(3).tx, 15.0f);

    // Kochanek-Bartels 0, 0, 2: 1.5 x the incoming chord - 0.5 x the
    // outgoing one; the last point repeats the tangent before it.
    const Curve& k = kb.GetCurve();
    EXPECT_FLOAT_EQ(k.GetPoint(0).tx, 10.0f);
    EXPECT_FLOAT_EQ(k.GetPoint(0).ty, 10.0f);
    EXPECT_FLOAT_EQ(k.GetPoint(1).tx, 1.5f * 10.0f - 0.5f * 10.0f);
    EXPECT_FLOAT_EQ(k.GetPoint(1).ty, 1.5f * 10.0f - 0.5f * -10.0f);
    EXPECT_FLOAT_EQ(k.GetPoint(2).tx, 1.5f * 10.0f - 0.5f * 15.0f);
    EXPECT_FLOAT_EQ(k.GetPoint(2).ty, 1.5f * -10.0f - 0.5f * 5.0f);
    EXPECT_EQ(k.GetPoint(3).tx, k.GetPoint(2).tx);
    EXPECT_EQ(k.GetPoint(3).ty, k.GetPoint(2).ty);
    // Hermite evaluation and lengths as the Cardinal curve has them.
    for (const Walker* w : {&catmullRom, &kb}) {
        const Curve& c = w->GetCurve();
        EXPECT_EQ(c.PositionIn(2, 1.0f).x, 35.0f);
        float sum = 0.0f;
        for (unsigned i = 0; i < c.SegmentCount(); ++i) {
            EXPECT_EQ(c.GetSegment(i).startDistance, sum);
            sum += c.GetSegment(i).length;
        }
        EXPECT_EQ(c.TotalLength(), sum);
    }
}

TEST(CurveKinds, KochanekBartelsOfTwoPointsIsTheChord)
{
    Walker walker = WalkerOf({{3, 4}, {9, 12}}, 3);
    for (unsigned i = 0; i < 2; ++i) {
        EXPECT_FLOAT_EQ(walker.GetCurve().GetPoint(i).tx, 6.0f);
        EXPECT_FLOAT_EQ(walker.GetCurve().GetPoint(i).ty, 8.0f);
    }
    EXPECT_NEAR(walker.Length(), 10.0f, 1e-3);
}

TEST(CurveKinds, QuadraticBezierThroughThreePoints)
{
    const std::vector<P> points = {{0, 0}, {50, 100}, {100, 0}};
    Walker walker = WalkerOf(points, 2);
    const Curve& curve = walker.GetCurve();
    for (float t : {0.0f, 0.2f, 0.5f, 0.75f, 1.0f}) {
        const float u = 1 - t;
        // Whatever segment is named, the one curve.
        for (unsigned segment : {0u, 1u, 7u}) {
            Vector v = curve.PositionIn(segment, t);
            EXPECT_NEAR(v.x, 2 * u * t * 50 + t * t * 100, 1e-4);
            EXPECT_NEAR(v.y, 2 * u * t * 100, 1e-4);
        }
    }
    // Each of the two segments measures the whole curve.
    const float one = PolylineLength(curve, 1000);
    EXPECT_NEAR(curve.GetSegment(0).length, one, 1e-3);
    EXPECT_NEAR(curve.GetSegment(1).length, one, 1e-3);
    EXPECT_EQ(curve.GetSegment(1).startDistance, curve.GetSegment(0).length);
    EXPECT_NEAR(walker.Length(), 2 * one, 2e-3);
    // A distance is the share of the total; the ends are the end points.
    Vector middle = curve.PositionAt(walker.Length() * 0.5f);
    EXPECT_NEAR(middle.x, 50.0f, 1e-3);
    EXPECT_NEAR(middle.y, 50.0f, 1e-3);
    EXPECT_EQ(curve.PositionAt(walker.Length()).x, 100.0f);
    EXPECT_EQ(curve.PositionAt(0.0f).y, 0.0f);
    // The tangent from the neighbouring positions; none within a segment.
    Vector tangent = curve.TangentAt(walker.Length() * 0.5f);
    EXPECT_NEAR(tangent.x, 1.0f, 1e-3);
    EXPECT_NEAR(tangent.y, 0.0f, 1e-3);
    Vector none = curve.TangentIn(0, 0.5f);
    EXPECT_EQ(none.x, 0.0f);
    EXPECT_EQ(none.y, 0.0f);
}

TEST(CurveKinds, BezierStaysExactWithManyPoints)
{
    // Equally spaced points on a line: the Bezier curve of any degree is the
    // line walked at constant speed. Binomial coefficients from 32-bit
    // factorials go wrong from 13 points on; 2000 points are also past
    // what double factorials hold.
    for (unsigned n : {13u, 14u, 40u, 2000u}) {
        std::vector<P> points;
        for (unsigned i = 0; i < n; ++i)
            points.push_back({static_cast<float>(i) * 3.0f, 7.0f});
        std::unique_ptr<ControlPoint[]> control(new ControlPoint[n]);
        for (unsigned i = 0; i < n; ++i) {
            control[i].x = points[i].x;
            control[i].y = points[i].y;
        }
        Bezier curve(std::move(control), n);
        const float span = static_cast<float>(n - 1) * 3.0f;
        for (float t : {0.0f, 0.125f, 0.3f, 0.5f, 0.9f, 1.0f}) {
            Vector v = curve.PositionIn(0, t);
            EXPECT_NEAR(v.x, span * t, span * 1e-5f) << n << " " << t;
            EXPECT_NEAR(v.y, 7.0f, 1e-4f) << n << " " << t;
        }
        EXPECT_NEAR(curve.GetSegment(0).length, span, span * 1e-4f) << n;
    }
}

TEST(CurveKinds, UnknownKindBuildsNoCurve)
{
    for (int kind : {-1, 4, 1000}) {
        Walker walker = WalkerOf({{0, 0}, {10, 10}}, kind);
        EXPECT_FALSE(walker.HasCurve());
        EXPECT_EQ(walker.Length(), 0.0f);
        Vector v = walker.MoveTo(5.0f);
        EXPECT_EQ(v.x, 0.0f);
        EXPECT_EQ(v.y, 0.0f);
        EXPECT_EQ(walker.Distance(), 0.0f);
    }
    EXPECT_TRUE(WalkerOf({{0, 0}, {10, 10}}, 0).HasCurve());
}
