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

    static constexpr unsigned kChords = 1000;

protected:
    // Each segment's length summed over kChords chords, and the start
    // distances; run once the tangents are set.
    void MeasureSegments();
    // The first and last points take the chord to their neighbour.
    void SetEndTangents();
};

// Tangents by the Cardinal rule: the ends take the chord to their neighbour,
// inner points tension x (next - previous). Segment lengths are summed over
// 1000 chords each.
class Cardinal : public Hermite {
public:
    Cardinal(std::unique_ptr<ControlPoint[]> points, unsigned count, float tension);

    static constexpr float kTension = 0.2f;
};

// A Cardinal curve of tension 0.5.
class CatmullRom : public Cardinal {
public:
    CatmullRom(std::unique_ptr<ControlPoint[]> points, unsigned count);
    ~CatmullRom() override;

    static constexpr float kTension = 0.5f;
};

// Hermite tangents weighted by tension, bias and continuity. The first point
// takes the chord to the second, the last the tangent of the point before it.
class KochanekBartels : public Hermite {
public:
    KochanekBartels(std::unique_ptr<ControlPoint[]> points, unsigned count, float tension,
                    float bias, float continuity);
    ~KochanekBartels() override;
};

// One Bezier curve of degree n - 1 through all n control points, whatever
// the segment. Every segment measures the whole curve, so the total length is
// n - 1 times its length; a distance is taken as the share of that total.
class Bezier : public Curve {
public:
    Bezier(std::unique_ptr<ControlPoint[]> points, unsigned count);
    ~Bezier() override;
    Vector PositionAt(float distance) const override;
    // The segment is not consulted: the curve at the parameter t.
    Vector PositionIn(unsigned segment, float t) const override;
    // From the positions 0.01 before and after the distance.
    Vector TangentAt(float distance) const override;
    // Not defined per segment: (0, 0, 0).
    Vector TangentIn(unsigned segment, float t) const override;

private:
    // log C(n - 1, i) for each point i.
    std::vector<double> logBinomial_;
};

// The kinds of curve a walker can be built over.
enum class Kind : int { Cardinal = 0, CatmullRom = 1, Bezier = 2, KochanekBartels = 3 };

// The curve of a kind over the points; null for a kind outside 0..3.
std::unique_ptr<Curve> Build(std::unique_ptr<ControlPoint[]> points, unsigned count, int kind);

// Walks a curve by distance along it. A walker without a curve (an unknown
// kind) has length 0 and stands at the origin.
class Walker {
public:
    explicit Walker(std::unique_ptr<Curve> curve) : curve_(std::move(curve)) {}

    // A walker over the curve of the kind (by default Cardinal, tension 0.2)
    // through the points; any sequence of values with float members x and y.
    template <class Points>
    static Walker Through(const Points& points, int kind = static_cast<int>(Kind::Cardinal))
    {
        unsigned n = static_cast<unsigned>(points.size());
        std::unique_ptr<ControlPoint[]> control(new ControlPoint[n]);
        unsigned i = 0;
        for (const auto& p : points) {
            control[i].x = p.x;
            control[i].y = p.y;
            ++i;
        }
        return Walker(Build(std::move(control), n, kind));
    }

    float Length() const { return curve_ ? curve_->TotalLength() : 0.0f; }
    float Distance() const { return distance_; }
    // Moves to the distance, clamped to 0 .. Length(), and gives the position there.
    Vector MoveTo(float distance);
    bool HasCurve() const { return curve_ != nullptr; }
    const Curve& GetCurve() const { return *curve_; }

private:
    float distance_ = 0.0f;
    std::unique_ptr<Curve> curve_;
};

} // namespace Spline
