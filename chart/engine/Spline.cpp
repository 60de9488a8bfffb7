#include "chart/engine/Spline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace Spline {

Curve::Curve(std::unique_ptr<ControlPoint[]> points, unsigned count)
    : points_(std::move(points)), count_(points_ ? count : 0)
{
    for (unsigned i = 0; i + 1 < count_; ++i) {
        auto segment = std::make_unique<Segment>();
        segment->start = &points_[i];
        segment->end = &points_[i + 1];
        segments_.push_back(std::move(segment));
    }
}

Curve::~Curve()
{
    // Last to first, as they were made.
    while (!segments_.empty())
        segments_.pop_back();
}

bool Curve::Locate(float distance, unsigned* segment, float* t) const
{
    if (segments_.empty())
        return false;
    unsigned last = SegmentCount() - 1;
    if (!(distance > 0.0f)) {   // also NaN
        *segment = 0;
        *t = 0.0f;
        return true;
    }
    // The first segment that ends at or beyond the distance. Each segment
    // starts where the one before ends (its start is that sum, rounded the
    // same way), so the ends never decrease and a binary search finds it.
    auto found = std::partition_point(
        segments_.begin(), segments_.end(), [distance](const std::unique_ptr<Segment>& s) {
            return !(s->startDistance + s->length >= distance);
        });
    if (found == segments_.end()) {
        *segment = last;
        *t = 1.0f;
        return true;
    }
    const Segment& s = **found;
    *segment = static_cast<unsigned>(found - segments_.begin());
    // A segment of length 0 is passed at its end.
    *t = s.length > 0.0f ? std::clamp((distance - s.startDistance) / s.length, 0.0f, 1.0f)
                         : 1.0f;
    return true;
}

namespace {

Vector Single(const Curve& curve)
{
    Vector v;
    if (curve.PointCount() > 0) {
        v.x = curve.GetPoint(0).x;
        v.y = curve.GetPoint(0).y;
        v.z = curve.GetPoint(0).z;
    }
    return v;
}

// Weights of the start point, start tangent, end point and end tangent at
// the parameter t of a segment.
struct Basis {
    float h00, h10, h01, h11;
};

Basis HermiteBasis(float t)
{
    float t2 = t * t, t3 = t2 * t;
    return Basis{2 * t3 - 3 * t2 + 1, t3 - 2 * t2 + t, -2 * t3 + 3 * t2, t3 - t2};
}

// One coordinate: start, start tangent, end, end tangent.
inline float Blend(const Basis& b, float p0, float t0, float p1, float t1)
{
    return b.h00 * p0 + b.h10 * t0 + b.h01 * p1 + b.h11 * t1;
}

Vector Blend(const ControlPoint& p0, const ControlPoint& p1, const Basis& b)
{
    Vector v;
    v.x = Blend(b, p0.x, p0.tx, p1.x, p1.tx);
    v.y = Blend(b, p0.y, p0.ty, p1.y, p1.ty);
    v.z = Blend(b, p0.z, p0.tz, p1.z, p1.tz);
    return v;
}

Vector Normalised(double x, double y, double z)
{
    double length = std::sqrt(x * x + y * y + z * z);
    Vector v;
    if (length > 0.0 && std::isfinite(length)) {
        v.x = static_cast<float>(x / length);
        v.y = static_cast<float>(y / length);
        v.z = static_cast<float>(z / length);
    }
    return v;
}

} // namespace

Vector Hermite::PositionIn(unsigned segment, float t) const
{
    if (segment >= SegmentCount())
        return Single(*this);
    return Blend(*segments_[segment]->start, *segments_[segment]->end, HermiteBasis(t));
}

Vector Hermite::TangentIn(unsigned segment, float t) const
{
    if (segment >= SegmentCount())
        return Vector();
    const ControlPoint& p0 = *segments_[segment]->start;
    const ControlPoint& p1 = *segments_[segment]->end;
    float t2 = t * t;
    float d00 = 6 * t2 - 6 * t;
    float d10 = 3 * t2 - 4 * t + 1;
    float d01 = -6 * t2 + 6 * t;
    float d11 = 3 * t2 - 2 * t;
    return Normalised(d00 * p0.x + d10 * p0.tx + d01 * p1.x + d11 * p1.tx,
                      d00 * p0.y + d10 * p0.ty + d01 * p1.y + d11 * p1.ty,
                      d00 * p0.z + d10 * p0.tz + d01 * p1.z + d11 * p1.tz);
}

Vector Hermite::PositionAt(float distance) const
{
    unsigned segment = 0;
    float t = 0.0f;
    if (!Locate(distance, &segment, &t))
        return Single(*this);
    return PositionIn(segment, t);
}

Vector Hermite::TangentAt(float distance) const
{
    unsigned segment = 0;
    float t = 0.0f;
    if (!Locate(distance, &segment, &t))
        return Vector();
    return TangentIn(segment, t);
}

void Hermite::SetEndTangents()
{
    if (count_ < 2)
        return;
    ControlPoint* p = points_.get();
    const unsigned n = count_;
    p[0].tx = p[1].x - p[0].x;
    p[0].ty = p[1].y - p[0].y;
    p[0].tz = p[1].z - p[0].z;
    p[n - 1].tx = p[n - 1].x - p[n - 2].x;
    p[n - 1].ty = p[n - 1].y - p[n - 2].y;
    p[n - 1].tz = p[n - 1].z - p[n - 2].z;
}

void Hermite::MeasureSegments()
{
    // Chord k runs from k / kChords to (k + 1) / kChords, each counted once.
    // The basis at those parameters is the same for every segment: worked
    // out once (a line of many points has a hundred million chords). The
    // positions and the chords' squares are loops free of dependencies from
    // one chord to the next, which the compiler runs on several at once;
    // then the roots are summed in order. The table runs a little past the
    // end so that its length is a multiple of four.
    constexpr unsigned kPositions = kChords + 4;
    static const std::array<Basis, kPositions> chordBasis = [] {
        std::array<Basis, kPositions> basis{};
        for (unsigned k = 0; k < kPositions; ++k)
            basis[k] = HermiteBasis(static_cast<float>(k) / kChords);
        return basis;
    }();
    float xs[kPositions], ys[kPositions], zs[kPositions];
    float squares[kChords];
    for (unsigned i = 0; i < SegmentCount(); ++i) {
        Segment& s = *segments_[i];
        const ControlPoint& p0 = *s.start;
        const ControlPoint& p1 = *s.end;
        for (unsigned k = 0; k < kPositions; ++k) {
            const Basis& b = chordBasis[k];
            xs[k] = Blend(b, p0.x, p0.tx, p1.x, p1.tx);
            ys[k] = Blend(b, p0.y, p0.ty, p1.y, p1.ty);
            zs[k] = Blend(b, p0.z, p0.tz, p1.z, p1.tz);
        }
        for (unsigned k = 0; k < kChords; ++k) {
            const float dx = xs[k + 1] - xs[k], dy = ys[k + 1] - ys[k], dz = zs[k + 1] - zs[k];
            squares[k] = dx * dx + dy * dy + dz * dz;
        }
        float length = 0.0f;
        for (float square : squares)
            length += std::sqrt(square);
        s.length = length;
        s.startDistance = totalLength_;
        totalLength_ += length;
    }
}

Cardinal::Cardinal(std::unique_ptr<ControlPoint[]> points, unsigned count, float tension)
    : Hermite(std::move(points), count)
{
    if (count_ < 2)
        return;
    ControlPoint* p = points_.get();
    SetEndTangents();
    for (unsigned i = 1; i + 1 < count_; ++i) {
        p[i].tx = tension * (p[i + 1].x - p[i - 1].x);
        p[i].ty = tension * (p[i + 1].y - p[i - 1].y);
        p[i].tz = tension * (p[i + 1].z - p[i - 1].z);
    }
    MeasureSegments();
}

CatmullRom::CatmullRom(std::unique_ptr<ControlPoint[]> points, unsigned count)
    : Cardinal(std::move(points), count, kTension)
{
}

CatmullRom::~CatmullRom() = default;

KochanekBartels::KochanekBartels(std::unique_ptr<ControlPoint[]> points, unsigned count,
                                 float tension, float bias, float continuity)
    : Hermite(std::move(points), count)
{
    if (count_ < 2)
        return;
    ControlPoint* p = points_.get();
    const unsigned n = count_;
    // Weights of the incoming and the outgoing chord.
    const float in = (1 - tension) * (1 + bias) * (1 + continuity) / 2;
    const float out = (1 - tension) * (1 - bias) * (1 - continuity) / 2;
    SetEndTangents();
    for (unsigned i = 1; i + 1 < n; ++i) {
        p[i].tx = in * (p[i].x - p[i - 1].x) + out * (p[i + 1].x - p[i].x);
        p[i].ty = in * (p[i].y - p[i - 1].y) + out * (p[i + 1].y - p[i].y);
        p[i].tz = in * (p[i].z - p[i - 1].z) + out * (p[i + 1].z - p[i].z);
    }
    p[n - 1].tx = p[n - 2].tx;
    p[n - 1].ty = p[n - 2].ty;
    p[n - 1].tz = p[n - 2].tz;
    MeasureSegments();
}

KochanekBartels::~KochanekBartels() = default;

Bezier::Bezier(std::unique_ptr<ControlPoint[]> points, unsigned count)
    : Curve(std::move(points), count)
{
    if (count_ > 0) {
        const double top = std::lgamma(static_cast<double>(count_));
        logBinomial_.resize(count_);
        for (unsigned i = 0; i < count_; ++i)
            logBinomial_[i] = top - std::lgamma(i + 1.0) - std::lgamma(static_cast<double>(count_ - i));
    }
    if (SegmentCount() == 0)
        return;
    // Every segment is the whole curve: measured once, over kChords chords
    // as a Hermite segment is.
    constexpr unsigned kChords = Hermite::kChords;
    const float step = 1.0f / kChords;
    float length = 0.0f;
    Vector previous = PositionIn(0, 0.0f);
    for (unsigned k = 1; k <= kChords; ++k) {
        const Vector next = PositionIn(0, k == kChords ? 1.0f : static_cast<float>(k) * step);
        const float dx = next.x - previous.x, dy = next.y - previous.y, dz = next.z - previous.z;
        length += std::sqrt(dx * dx + dy * dy + dz * dz);
        previous = next;
    }
    for (unsigned i = 0; i < SegmentCount(); ++i) {
        segments_[i]->length = length;
        segments_[i]->startDistance = totalLength_;
        totalLength_ += length;
    }
}

Bezier::~Bezier() = default;

Vector Bezier::PositionIn(unsigned, float t) const
{
    if (count_ == 0)
        return Vector();
    const unsigned last = count_ - 1;
    Vector result;
    if (!(t > 0.0f) || t >= 1.0f) {
        const ControlPoint& p = points_[t >= 1.0f ? last : 0];
        result.x = p.x;
        result.y = p.y;
        result.z = p.z;
        return result;
    }
    // Bernstein form with each weight C(n - 1, i) t^i (1 - t)^(n-1-i) taken
    // through its logarithm: the coefficients neither overflow (factorials
    // leave 32 bits from 13 points, doubles from 171) nor lose the small
    // powers, and a position costs one pass over the points.
    const double logT = std::log(static_cast<double>(t));
    const double logU = std::log1p(-static_cast<double>(t));
    double x = 0.0, y = 0.0, z = 0.0;
    for (unsigned i = 0; i <= last; ++i) {
        const double w = std::exp(logBinomial_[i] + i * logT + (last - i) * logU);
        x += w * points_[i].x;
        y += w * points_[i].y;
        z += w * points_[i].z;
    }
    result.x = static_cast<float>(x);
    result.y = static_cast<float>(y);
    result.z = static_cast<float>(z);
    return result;
}

Vector Bezier::PositionAt(float distance) const
{
    if (!(totalLength_ > 0.0f) || !(distance > 0.0f))
        return PositionIn(0, 0.0f);
    if (distance >= totalLength_)
        return PositionIn(0, 1.0f);
    return PositionIn(0, distance / totalLength_);
}

Vector Bezier::TangentAt(float distance) const
{
    const Vector ahead = PositionAt(distance + 0.01f);
    const Vector behind = PositionAt(distance - 0.01f);
    return Normalised(static_cast<double>(ahead.x) - behind.x,
                      static_cast<double>(ahead.y) - behind.y,
                      static_cast<double>(ahead.z) - behind.z);
}

Vector Bezier::TangentIn(unsigned, float) const { return Vector(); }

std::unique_ptr<Curve> Build(std::unique_ptr<ControlPoint[]> points, unsigned count, int kind)
{
    switch (static_cast<Kind>(kind)) {
    case Kind::Cardinal:
        return std::make_unique<Cardinal>(std::move(points), count, Cardinal::kTension);
    case Kind::CatmullRom:
        return std::make_unique<CatmullRom>(std::move(points), count);
    case Kind::Bezier:
        return std::make_unique<Bezier>(std::move(points), count);
    case Kind::KochanekBartels:
        return std::make_unique<KochanekBartels>(std::move(points), count, 0.0f, 0.0f, 2.0f);
    }
    return nullptr;
}

Vector Walker::MoveTo(float distance)
{
    if (!curve_)
        return Vector();
    float length = curve_->TotalLength();
    if (!(distance > 0.0f))
        distance = 0.0f;
    if (distance > length)
        distance = length;
    distance_ = distance;
    return curve_->PositionAt(distance);
}

} // namespace Spline
