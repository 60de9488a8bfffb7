// Area coverage of filled outlines, against the exact area of the outline
// cut to every pixel.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "platform/common/AreaCoverage.h"

namespace {

using pvcommon::raster::AreaCoverage;
using Point = std::pair<double, double>;
using Outline = std::vector<Point>;

double Area(const Outline& o)
{
    double twice = 0.0;
    for (std::size_t i = 0; i < o.size(); ++i) {
        const Point& a = o[i];
        const Point& b = o[(i + 1) % o.size()];
        twice += a.first * b.second - b.first * a.second;
    }
    return std::fabs(twice) * 0.5;
}

// The outline cut to one side of an axis-parallel line.
Outline Cut(const Outline& o, bool vertical, double at, bool keepBelow)
{
    Outline out;
    const auto inside = [&](const Point& p) {
        const double v = vertical ? p.first : p.second;
        return keepBelow ? v <= at : v >= at;
    };
    for (std::size_t i = 0; i < o.size(); ++i) {
        const Point& a = o[i];
        const Point& b = o[(i + 1) % o.size()];
        if (inside(a))
            out.push_back(a);
        if (inside(a) != inside(b)) {
            const double va = vertical ? a.first : a.second, vb = vertical ? b.first : b.second;
            const double t = (at - va) / (vb - va);
            out.emplace_back(a.first + (b.first - a.first) * t, a.second + (b.second - a.second) * t);
        }
    }
    return out;
}

// The share of pixel (x, y) the outline covers, exactly.
double PixelShare(const Outline& o, int x, int y)
{
    Outline c = Cut(o, true, x, false);
    c = Cut(c, true, x + 1, true);
    c = Cut(c, false, y, false);
    c = Cut(c, false, y + 1, true);
    return c.size() < 3 ? 0.0 : Area(c);
}

using Levels = std::map<std::pair<int, int>, unsigned>;

Levels Cover(AreaCoverage& area, const std::vector<Outline>& outlines, int left, int top, int right,
             int bottom)
{
    EXPECT_TRUE(area.Begin(left, top, right, bottom));
    for (const Outline& o : outlines)
        for (std::size_t i = 0; i < o.size(); ++i)
            EXPECT_TRUE(area.Line(o[i].first, o[i].second, o[(i + 1) % o.size()].first,
                                  o[(i + 1) % o.size()].second));
    Levels levels;
    int lastY = top - 1, lastX = left - 1;
    area.Render([&](int y, int x0, int x1, unsigned level) {
        // Rows in order, runs left to right, never overlapping, in the box.
        EXPECT_TRUE(y > lastY || (y == lastY && x0 >= lastX)) << y << "," << x0;
        EXPECT_TRUE(x0 < x1 && x0 >= left && x1 <= right && y >= top && y < bottom) << y << "," << x0;
        EXPECT_TRUE(level >= 1 && level <= 255);
        lastY = y;
        lastX = x1;
        for (int x = x0; x < x1; ++x)
            levels[{x, y}] = level;
    });
    return levels;
}

// Every pixel of the box within a level of the exact share.
void ExpectExact(const Levels& levels, const Outline& o, int left, int top, int right, int bottom)
{
    for (int y = top; y < bottom; ++y) {
        const Outline row = Cut(Cut(o, false, y, false), false, y + 1, true);
        for (int x = left; x < right; ++x) {
            const auto it = levels.find({x, y});
            const double got = it == levels.end() ? 0.0 : it->second;
            ASSERT_NEAR(got, PixelShare(row, x, y) * 255.0, 1.0) << x << "," << y;
        }
    }
}

// The coverage of all pixels added up, in pixels.
double Total(AreaCoverage& area, const Outline& o, int left, int top, int right, int bottom, unsigned* at = nullptr, int atX = 0, int atY = 0)
{
    EXPECT_TRUE(area.Begin(left, top, right, bottom));
    for (std::size_t i = 0; i < o.size(); ++i)
        EXPECT_TRUE(area.Line(o[i].first, o[i].second, o[(i + 1) % o.size()].first,
                              o[(i + 1) % o.size()].second));
    double sum = 0.0;
    area.Render([&](int y, int x0, int x1, unsigned level) {
        EXPECT_TRUE(x0 < x1 && x0 >= left && x1 <= right && y >= top && y < bottom) << y << "," << x0;
        sum += (x1 - x0) * (level / 255.0);
        if (at && y == atY && x0 <= atX && atX < x1)
            *at = level;
    });
    return sum;
}

Outline Pie(double cx, double cy, double rx, double ry, double start, double sweep, int steps)
{
    Outline o{{cx, cy}};
    for (int i = 0; i <= steps; ++i) {
        const double a = (start + sweep * i / steps) * M_PI / 180.0;
        o.emplace_back(cx + rx * std::cos(a), cy + ry * std::sin(a));
    }
    return o;
}

} // namespace

TEST(AreaCoverage, EveryPixelIsTheShareTheOutlineCovers)
{
    // A box at fractions of a pixel, a thin sliver, slices of a pie either
    // way round, a triangle with a near-horizontal and a steep side.
    const std::vector<Outline> shapes = {
        {{10.25, 20.5}, {30.75, 20.5}, {30.75, 40.25}, {10.25, 40.25}},
        {{5.1, 5.2}, {45.9, 7.3}, {45.9, 7.6}},
        Pie(30.3, 25.7, 22.5, 14.25, 20, 130, 40),
        Pie(30.3, 25.7, 22.5, 14.25, 150, -95, 40),
        {{2.5, 40.9}, {47.3, 39.8}, {12.0, 1.2}},
    };
    AreaCoverage area;
    for (const Outline& o : shapes) {
        const Levels levels = Cover(area, {o}, 0, 0, 50, 50);
        ExpectExact(levels, o, 0, 0, 50, 50);
    }
}

TEST(AreaCoverage, OutlinesBeyondTheBoxCountOnlyWhereTheyReachIt)
{
    // Reaching past every side of the box; wholly left, above and right of
    // it (nothing shows).
    const Outline across{{-20.5, 3.25}, {70.2, -8.0}, {64.0, 61.7}, {-9.3, 47.5}};
    AreaCoverage area;
    ExpectExact(Cover(area, {across}, 10, 5, 50, 45), across, 10, 5, 50, 45);
    const std::vector<Outline> outside = {{{-30.0, 10.5}, {-5.0, 10.5}, {-5.0, 20.5}, {-30.0, 20.5}},
                                          {{60.0, -9.0}, {90.0, -9.0}, {75.0, 70.0}},
                                          {{0.0, -9.0}, {80.0, -2.0}, {0.0, -3.0}}};
    EXPECT_TRUE(Cover(area, outside, 10, 5, 50, 45).empty());
}

TEST(AreaCoverage, TheCellsAreLeftClearForTheNextOutline)
{
    // A large outline, then a small one in another box over the same cells:
    // nothing of the first shows in the second.
    AreaCoverage area;
    const Outline big = Pie(200, 150, 190, 140, 0, 360, 720);
    EXPECT_NEAR(Total(area, big, 0, 0, 400, 300), Area(big), 0.002 * Area(big));

    const Outline small{{3.5, 3.5}, {9.5, 3.5}, {9.5, 9.5}};
    const Levels levels = Cover(area, {small}, 2, 2, 12, 12);
    ExpectExact(levels, small, 2, 2, 12, 12);
}

TEST(AreaCoverage, ThousandsOfEdgesInATallBox)
{
    // A flattened ellipse of 20,000 edges over 4,000 rows and a zigzag of
    // thousands of edges within a few rows: the coverage adds up to the area
    // (the inside full), exact pixel by pixel where it is checked.
    AreaCoverage area;
    const Outline tall = Pie(1500, 2000, 1400, 1990, 0, 360, 20000);
    unsigned middle = 0;
    EXPECT_NEAR(Total(area, tall, 0, 0, 3000, 4000, &middle, 1500, 2000), Area(tall), 0.001 * Area(tall));
    EXPECT_EQ(middle, 255u);

    Outline zigzag;
    for (int i = 0; i <= 3000; ++i)
        zigzag.emplace_back(i * 0.25, i % 2 ? 10.0 : 12.5);
    zigzag.emplace_back(750.0, 14.0);
    zigzag.emplace_back(0.0, 14.0);
    const Levels levels = Cover(area, {zigzag}, 0, 0, 751, 16);
    ExpectExact(levels, zigzag, 0, 0, 751, 16);
}

TEST(AreaCoverage, EdgesWithoutAPlaceAreRefusedAndFarOnesCut)
{
    AreaCoverage area;
    ASSERT_TRUE(area.Begin(0, 0, 10, 10));
    EXPECT_FALSE(area.Line(2.0, NAN, 3.0, 8.0));
    EXPECT_FALSE(area.Line(2.0, -INFINITY, 2.0, 8.0));
    area.Clear();
    // Reaching far beyond any row number: every row of the box covered.
    const Outline tall{{2.0, -3e9}, {5.0, -3e9}, {5.0, 3e9}, {2.0, 3e9}};
    const Levels levels = Cover(area, {tall}, 0, 0, 10, 10);
    EXPECT_EQ(levels.size(), 30u);
    for (const auto& l : levels) {
        EXPECT_EQ(l.second, 255u);
        EXPECT_TRUE(l.first.first >= 2 && l.first.first < 5);
    }
}
