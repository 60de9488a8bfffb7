// Pie chart: the slices of the first graph, value tags and a legend of the
// category labels in the slice colours. No axes.
#pragma once

#include "chart/engine/Plot.h"

class CPie : public CPlot {
public:
    CPie(std::int32_t width, std::int32_t height, std::wstring title, const CColor& background,
         std::int32_t historyPosition, bool jpeg);
    ~CPie() override;

    float diameter;
    ETagMode tagMode = ETagMode::None;
    CColor tagBkColor = CColor::Empty();
    std::int32_t explodeOffset = 10;
    bool anyExploded = false;

protected:
    void DrawHistory() override;
    void DrawChart() override;
    void DrawPlotArea() override {}
    void DrawCategoryAxis() override {}
    void SetMargins() override;
    void ApplyOptions() override;

private:
    // The side layers (3D) and, when asked, the top face of one slice part.
    void BuildPart(CPrimitive& group, const CPointF& centre, float start, float end,
                   const CColor& colour, bool withTop) const;
    CArc& MakeTopFace(CPrimitive& parent, const CPointF& centre, float start, float end,
                      const CColor& colour) const;
    void MakeTag(CPrimitive& group, const CPointF& centre, float start, float end,
                 const std::wstring& text) const;
};
