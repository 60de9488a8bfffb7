// Smooth curves through points, walked by distance along the curve: a
// piecewise cubic Hermite curve in three dimensions (z is 0 here) whose
// tangents follow the Cardinal rule.
#pragma once

#include <memory>
#include <vector>

namespace Spline {

struct Vector {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

struct ControlPoint {
    float x = 0.0f, y = 0.0f, z = 0.0f;      // position
    float tx = 0.0f, ty = 0.0f, tz = 0.0f;   // tangent
};

// Segment i joins control points i and i + 1.
struct Segment {
    ControlPoint* start = nullptr;
    ControlPoint* end = nullptr;
    float length = 0.0f;          // arc length of the segment
    float startDistance = 0.0f;   // arc length of all earlier segments
};

class Curve {
public:
    // Takes the control points; fewer than two give a curve without segments
    // (length 0) whose positions are the single point, or the origin.
    Curve(std::unique_ptr<ControlPoint[]> points, unsigned count);
    virtual ~Curve();
    Curve(const Curve&) = delete;
    Curve& operator=(const Curve&) = delete;

    // Position at an arc-length distance: the segment holding it, at the
    // parameter in proportion to the distance into it. Distances outside
    // 0 .. TotalLength() give the curve's ends; a segment of length 0 gives
    // its end point.
    virtual Vector PositionAt(float distance) const = 0;
    // Position in a segment at the parameter t (0 start, 1 end).
    virtual Vector PositionIn(unsigned segment, float t) const = 0;
    // Unit tangent, found like the position; (0, 0, 0) where the curve does
    // not move (equal points).
    virtual Vector TangentAt(float distance) const = 0;
    virtual Vector TangentIn(unsigned segment, float t) const = 0;

    float TotalLength() const { return totalLength_; }
    unsigned PointCount() const { return count_; }
    unsigned SegmentCount() const { return static_cast<unsigned>(segments_.size()); }
    const Segment& GetSegment(unsigned i) const { return *segments_[i]; }
    const ControlPoint& GetPoint(unsigned i) const { return points_[i]; }

protected:
    // The segment and parameter of a distance, clamped to the curve.
    bool Locate(float distance, unsigned* segment, float* t) const;

    std::vector<std::unique_ptr<Segment>> segments_;
    std::unique_ptr<ControlPoint[]> points_;
    float totalLength_ = 0.0f;
    unsigned count_ = 0;
};

// Evaluates the segments with the cubic Hermite basis.
class Hermite : public Curve {
public:
    using Curve::Curve;
    Vector PositionAt(float distance) const override;
    Vector PositionIn(unsigned segment, float t) const override;
    Vector TangentAt(float distance) const override;
    Vector TangentIn(unsigned segment, float t) const override;
};

// Tangents by the Cardinal rule: the ends take the chord to their neighbour,
// inner points tension x (next - previous). Segment lengths are summed over
// 1000 chords each.
class Cardinal : public Hermite {
public:
    Cardinal(std::unique_ptr<ControlPoint[]> points, unsigned count, float tension);

    static constexpr float kTension = 0.2f;
    static constexpr unsigned kChords = 1000;
};

// Walks a curve by distance along it.
class Walker {
public:
    explicit Walker(std::unique_ptr<Curve> curve) : curve_(std::move(curve)) {}

    // A walker over a Cardinal curve (tension 0.2) through the points; any
    // sequence of values with float members x and y.
    template <class Points>
    static Walker Through(const Points& points)
    {
        unsigned n = static_cast<unsigned>(points.size());
        std::unique_ptr<ControlPoint[]> control(new ControlPoint[n]);
        unsigned i = 0;
        for (const auto& p : points) {
            control[i].x = p.x;
            control[i].y = p.y;
            ++i;
        }
        return Walker(std::make_unique<Cardinal>(std::move(control), n, Cardinal::kTension));
    }

    float Length() const { return curve_->TotalLength(); }
    float Distance() const { return distance_; }
    // Moves to the distance, clamped to 0 .. Length(), and gives the position there.
    Vector MoveTo(float distance);
    const Curve& GetCurve() const { return *curve_; }

private:
    float distance_ = 0.0f;
    std::unique_ptr<Curve> curve_;
};

} // namespace Spline
