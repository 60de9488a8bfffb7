// Arcs of the Quartz drawing context: a sweep of many turns (a pie of mixed
// signs whose total is near zero) draws at most one turn, in its direction,
// on every path, the colour walk of older systems included.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "chart/engine/DrawContext.h"
#include "chart/engine/quartz/Canvas.h"
#include "chart/output/Logging.h"
#include "platform/corefoundation/SystemSetup.h"
#include "platform/quartz/Recording.h"

namespace {

// The sweeps, in degrees, of every arc the recording holds.
std::vector<double> Sweeps(const std::vector<std::string>& lines)
{
    std::vector<double> out;
    for (const std::string& line : lines) {
        for (std::size_t at = line.find("A("); at != std::string::npos; at = line.find("A(", at + 2)) {
            std::istringstream in(line.substr(at + 2));
            double field[6] = {};
            char comma = 0;
            for (double& f : field)
                in >> f >> comma;
            out.push_back(field[5] - field[4]);
        }
    }
    return out;
}

} // namespace

TEST(QuartzArcs, SweepsOfManyTurnsDrawOneTurn)
{
    std::ostringstream log;
    Logging::SetupChannels(std::make_shared<Logging::CSink>(log));
    CCanvas canvas(400, 300);
    // Values 100 and -99: the first slice sweeps 100 turns forward, the
    // second 99 turns back.
    struct Arc {
        float start, end;
    };
    for (int minor : {5, 4}) {
        macsetup::SetSystemVersion(10, minor, 8);
        for (const Arc& arc : {Arc{0, 36000}, Arc{36000, 360}}) {
            const double direction = arc.end > arc.start ? 1.0 : -1.0;
            for (int kind = 0; kind < 5; ++kind) {
                pvquartz::Recording recording;
                CDrawContext context(canvas.GetContext(), CColor(0xFF3366CCu), 2.0f);
                const CPointF centre(200, 150);
                if (kind < 3)
                    context.DrawArc(centre, 200, 100, arc.start, arc.end, kind > 0, kind > 1);
                else
                    context.DrawArcStack(centre, 200, 100, arc.start, arc.end, 20, kind > 3);
                const auto sweeps = Sweeps(recording.Lines());
                ASSERT_FALSE(sweeps.empty()) << minor << " " << kind;
                // The colour walk of 10.4: slices a tenth of a degree apart
                // over one turn.
                EXPECT_LE(recording.Lines().size(), 3700u) << minor << " " << kind;
                for (double sweep : sweeps) {
                    EXPECT_LE(std::fabs(sweep), 360.01) << minor << " " << kind;
                    EXPECT_GE(sweep * direction, 0.0) << minor << " " << kind;
                }
                // The whole turn is drawn.
                EXPECT_NEAR(std::fabs(sweeps.back()), 360.0, 0.01) << minor << " " << kind;
            }
        }
    }
    macsetup::Reset();
    Logging::SetupChannels(nullptr);
}

TEST(QuartzArcs, NarrowArcsWalkTheirRimNotTheirColourChange)
{
    std::ostringstream log;
    Logging::SetupChannels(std::make_shared<Logging::CSink>(log));
    CCanvas canvas(4096, 64);
    macsetup::SetSystemVersion(10, 4, 11);
    // A strong colour change: the walk takes hundreds of steps whatever
    // the arc's width.
    auto fills = [&canvas](float sweep) {
        pvquartz::Recording recording;
        CDrawContext context(canvas.GetContext(), CColor(0xFFFFFF00u), 1.0f);
        context.DrawArc(CPointF(2048, 32), 3000, 1500, 10.0f, 10.0f + sweep, true, true);
        return Sweeps(recording.Lines()).size();
    };
    // 1500 px of radius: 0.05 degrees are 1.3 px of rim, at most a fill per
    // pixel of rim and the outline.
    EXPECT_LE(fills(0.05f), 4u);
    // 0.5 degrees, 13 px of rim: every step of the walk.
    EXPECT_GT(fills(0.5f), 500u);
    macsetup::Reset();
    Logging::SetupChannels(nullptr);
}
