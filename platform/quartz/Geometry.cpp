// Points, rectangles and affine transforms.
#include <cmath>

#include "platform/quartz/CoreGraphics.h"

extern "C" {

const CGAffineTransform CGAffineTransformIdentity = {1.0, 0.0, 0.0, 1.0, 0.0, 0.0};

static CGRect Standardize(CGRect r)
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

static CGFloat MinX(CGRect r) { return Standardize(r).origin.x; }
static CGFloat MinY(CGRect r) { return Standardize(r).origin.y; }
CGFloat CGRectGetWidth(CGRect r) { return std::fabs(r.size.width); }
CGFloat CGRectGetHeight(CGRect r) { return std::fabs(r.size.height); }
CGFloat CGRectGetMidX(CGRect r) { return MinX(r) + CGRectGetWidth(r) * 0.5; }
CGFloat CGRectGetMidY(CGRect r) { return MinY(r) + CGRectGetHeight(r) * 0.5; }

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
CGAffineTransform CGAffineTransformRotate(CGAffineTransform t, CGFloat angle)
{
    return CGAffineTransformConcat(CGAffineTransformMakeRotation(angle), t);
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
