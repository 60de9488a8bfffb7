#include "chart/engine/Spline.h"

#include <algorithm>
#include <cmath>

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
    for (unsigned i = 0; i <= last; ++i) {
        const Segment& s = *segments_[i];
        if (s.startDistance + s.length >= distance) {
            *segment = i;
            // A segment of length 0 is passed at its end.
            *t = s.length > 0.0f
                     ? std::clamp((distance - s.startDistance) / s.length, 0.0f, 1.0f)
                     : 1.0f;
            return true;
        }
    }
    *segment = last;
    *t = 1.0f;
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
    const ControlPoint& p0 = *segments_[segment]->start;
    const ControlPoint& p1 = *segments_[segment]->end;
    float t2 = t * t, t3 = t2 * t;
    float h00 = 2 * t3 - 3 * t2 + 1;
    float h10 = t3 - 2 * t2 + t;
    float h01 = -2 * t3 + 3 * t2;
    float h11 = t3 - t2;
    Vector v;
    v.x = h00 * p0.x + h10 * p0.tx + h01 * p1.x + h11 * p1.tx;
    v.y = h00 * p0.y + h10 * p0.ty + h01 * p1.y + h11 * p1.ty;
    v.z = h00 * p0.z + h10 * p0.tz + h01 * p1.z + h11 * p1.tz;
    return v;
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

Cardinal::Cardinal(std::unique_ptr<ControlPoint[]> points, unsigned count, float tension)
    : Hermite(std::move(points), count)
{
    if (count_ < 2)
        return;
    ControlPoint* p = points_.get();
    unsigned n = count_;
    p[0].tx = p[1].x - p[0].x;
    p[0].ty = p[1].y - p[0].y;
    p[0].tz = p[1].z - p[0].z;
    for (unsigned i = 1; i + 1 < n; ++i) {
        p[i].tx = tension * (p[i + 1].x - p[i - 1].x);
        p[i].ty = tension * (p[i + 1].y - p[i - 1].y);
        p[i].tz = tension * (p[i + 1].z - p[i - 1].z);
    }
    p[n - 1].tx = p[n - 1].x - p[n - 2].x;
    p[n - 1].ty = p[n - 1].y - p[n - 2].y;
    p[n - 1].tz = p[n - 1].z - p[n - 2].z;

    // Chord k runs from k / kChords to (k + 1) / kChords, each counted once.
    for (unsigned i = 0; i < SegmentCount(); ++i) {
        Segment& s = *segments_[i];
        float length = 0.0f;
        Vector previous = PositionIn(i, 0.0f);
        for (unsigned k = 1; k <= kChords; ++k) {
            Vector next = PositionIn(i, static_cast<float>(k) / kChords);
            float dx = next.x - previous.x, dy = next.y - previous.y, dz = next.z - previous.z;
            length += std::sqrt(dx * dx + dy * dy + dz * dz);
            previous = next;
        }
        s.length = length;
        s.startDistance = totalLength_;
        totalLength_ += length;
    }
}

Vector Walker::MoveTo(float distance)
{
    float length = curve_->TotalLength();
    if (!(distance > 0.0f))
        distance = 0.0f;
    if (distance > length)
        distance = length;
    distance_ = distance;
    return curve_->PositionAt(distance);
}

} // namespace Spline
