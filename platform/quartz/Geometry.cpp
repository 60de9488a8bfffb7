// Points, rectangles and affine transforms.
#include <algorithm>
#include <cmath>

#include "platform/quartz/CoreGraphics.h"

extern "C" {

const CGPoint CGPointZero = {0.0, 0.0};
const CGRect CGRectZero = {{0.0, 0.0}, {0.0, 0.0}};
const CGAffineTransform CGAffineTransformIdentity = {1.0, 0.0, 0.0, 1.0, 0.0, 0.0};

CGRect CGRectStandardize(CGRect r)
{
    if (r.size.width < 0.0) {
        r.origin.x += r.size.width;
        r.size.width = -r.size.width;
    }
    if (r.size.height < 0.0) {
        r.origin.y += r.size.height;
        r.size.height = -r.size.height;
    }
    return r;
}

CGFloat CGRectGetMinX(CGRect r) { return CGRectStandardize(r).origin.x; }
CGFloat CGRectGetMinY(CGRect r) { return CGRectStandardize(r).origin.y; }
CGFloat CGRectGetWidth(CGRect r) { return std::fabs(r.size.width); }
CGFloat CGRectGetHeight(CGRect r) { return std::fabs(r.size.height); }
CGFloat CGRectGetMidX(CGRect r) { return CGRectGetMinX(r) + CGRectGetWidth(r) * 0.5; }
CGFloat CGRectGetMidY(CGRect r) { return CGRectGetMinY(r) + CGRectGetHeight(r) * 0.5; }
CGFloat CGRectGetMaxX(CGRect r) { return CGRectGetMinX(r) + CGRectGetWidth(r); }
CGFloat CGRectGetMaxY(CGRect r) { return CGRectGetMinY(r) + CGRectGetHeight(r); }

bool CGRectIsEmpty(CGRect r) { return r.size.width == 0.0 || r.size.height == 0.0; }

bool CGRectEqualToRect(CGRect a, CGRect b)
{
    a = CGRectStandardize(a);
    b = CGRectStandardize(b);
    return a.origin.x == b.origin.x && a.origin.y == b.origin.y &&
           a.size.width == b.size.width && a.size.height == b.size.height;
}

CGRect CGRectInset(CGRect r, CGFloat dx, CGFloat dy)
{
    r = CGRectStandardize(r);
    r.origin.x += dx;
    r.origin.y += dy;
    r.size.width -= 2.0 * dx;
    r.size.height -= 2.0 * dy;
    if (r.size.width < 0.0 || r.size.height < 0.0)
        return CGRectZero;
    return r;
}

CGRect CGRectIntersection(CGRect a, CGRect b)
{
    a = CGRectStandardize(a);
    b = CGRectStandardize(b);
    const CGFloat x0 = std::max(a.origin.x, b.origin.x);
    const CGFloat y0 = std::max(a.origin.y, b.origin.y);
    const CGFloat x1 = std::min(a.origin.x + a.size.width, b.origin.x + b.size.width);
    const CGFloat y1 = std::min(a.origin.y + a.size.height, b.origin.y + b.size.height);
    if (x1 < x0 || y1 < y0)
        return CGRectZero;
    return CGRectMake(x0, y0, x1 - x0, y1 - y0);
}

CGRect CGRectUnion(CGRect a, CGRect b)
{
    if (CGRectIsEmpty(a))
        return CGRectStandardize(b);
    if (CGRectIsEmpty(b))
        return CGRectStandardize(a);
    a = CGRectStandardize(a);
    b = CGRectStandardize(b);
    const CGFloat x0 = std::min(a.origin.x, b.origin.x);
    const CGFloat y0 = std::min(a.origin.y, b.origin.y);
    const CGFloat x1 = std::max(a.origin.x + a.size.width, b.origin.x + b.size.width);
    const CGFloat y1 = std::max(a.origin.y + a.size.height, b.origin.y + b.size.height);
    return CGRectMake(x0, y0, x1 - x0, y1 - y0);
}

bool CGRectContainsPoint(CGRect r, CGPoint p)
{
    r = CGRectStandardize(r);
    return p.x >= r.origin.x && p.x < r.origin.x + r.size.width && p.y >= r.origin.y &&
           p.y < r.origin.y + r.size.height;
}

CGAffineTransform CGAffineTransformMake(CGFloat a, CGFloat b, CGFloat c, CGFloat d, CGFloat tx,
                                        CGFloat ty)
{
    return CGAffineTransform{a, b, c, d, tx, ty};
}

CGAffineTransform CGAffineTransformMakeTranslation(CGFloat tx, CGFloat ty)
{
    return CGAffineTransform{1.0, 0.0, 0.0, 1.0, tx, ty};
}

CGAffineTransform CGAffineTransformMakeScale(CGFloat sx, CGFloat sy)
{
    return CGAffineTransform{sx, 0.0, 0.0, sy, 0.0, 0.0};
}

CGAffineTransform CGAffineTransformMakeRotation(CGFloat angle)
{
    const CGFloat c = std::cos(angle), s = std::sin(angle);
    return CGAffineTransform{c, s, -s, c, 0.0, 0.0};
}

// Points are row vectors: p' = p * t1 * t2.
CGAffineTransform CGAffineTransformConcat(CGAffineTransform t1, CGAffineTransform t2)
{
    return CGAffineTransform{t1.a * t2.a + t1.b * t2.c,
                             t1.a * t2.b + t1.b * t2.d,
                             t1.c * t2.a + t1.d * t2.c,
                             t1.c * t2.b + t1.d * t2.d,
                             t1.tx * t2.a + t1.ty * t2.c + t2.tx,
                             t1.tx * t2.b + t1.ty * t2.d + t2.ty};
}

CGAffineTransform CGAffineTransformTranslate(CGAffineTransform t, CGFloat tx, CGFloat ty)
{
    return CGAffineTransformConcat(CGAffineTransformMakeTranslation(tx, ty), t);
}

CGAffineTransform CGAffineTransformScale(CGAffineTransform t, CGFloat sx, CGFloat sy)
{
    return CGAffineTransformConcat(CGAffineTransformMakeScale(sx, sy), t);
}

CGAffineTransform CGAffineTransformRotate(CGAffineTransform t, CGFloat angle)
{
    return CGAffineTransformConcat(CGAffineTransformMakeRotation(angle), t);
}

CGAffineTransform CGAffineTransformInvert(CGAffineTransform t)
{
    const CGFloat det = t.a * t.d - t.b * t.c;
    if (det == 0.0 || !std::isfinite(det))
        return t;   // a singular transform is returned unchanged
    const CGFloat a = t.d / det, b = -t.b / det, c = -t.c / det, d = t.a / det;
    return CGAffineTransform{a, b, c, d, -(t.tx * a + t.ty * c), -(t.tx * b + t.ty * d)};
}

bool CGAffineTransformIsIdentity(CGAffineTransform t)
{
    return t.a == 1.0 && t.b == 0.0 && t.c == 0.0 && t.d == 1.0 && t.tx == 0.0 && t.ty == 0.0;
}

CGPoint CGPointApplyAffineTransform(CGPoint p, CGAffineTransform t)
{
    return CGPoint{t.a * p.x + t.c * p.y + t.tx, t.b * p.x + t.d * p.y + t.ty};
}

}  // extern "C"
