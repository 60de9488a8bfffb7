#include "support/ChartSupport.h"

#include <sys/stat.h>

namespace pvtest {

void SetOptions(CPlot& chart, const ChartOptions& o)
{
    chart.SetOption(CPlot::TitleFontName, o.font);
    chart.SetOption(CPlot::TitleFontSize, o.titleSize);
    chart.SetOption(CPlot::TitleFontColor, o.titleColour);
    chart.SetOption(CPlot::LabelPosition, o.labelAngle);
    chart.SetOption(CPlot::LabelFontName, o.font);
    chart.SetOption(CPlot::LabelFontSize, o.labelSize);
    chart.SetOption(CPlot::LabelFontColor, o.labelColour);
    chart.SetOption(CPlot::HistoryFontName, o.font);
    chart.SetOption(CPlot::HistoryFontSize, o.historySize);
    chart.SetOption(CPlot::HistoryFontColor, o.historyColour);
    chart.SetOption(CPlot::ShowTags, o.tags);
    chart.SetOption(CPlot::TagsBkColor, o.tagsColour);
    chart.SetOption(CPlot::ShowGrid, o.grid);
}

CChartData Values(std::initializer_list<float> values)
{
    CChartData data;
    for (float v : values)
        data.data.emplace_back(v, boost::any(false));
    return data;
}

void AddGraph(CPlot& chart, std::initializer_list<float> values, CColor colour,
              const std::wstring& title)
{
    chart.AddSeries(Values(values), colour, title);
}

std::string SavePicture(CPlot& chart, const std::string& name)
{
    const std::string folder = std::string(PV_BIN_DIR) + "/pictures";
    ::mkdir(folder.c_str(), 0755);
    const std::string path = folder + "/" + name + ".png";
    chart.SaveToFile(std::wstring(path.begin(), path.end()));
    return path;
}

std::vector<std::string> LinesOf(const std::vector<std::string>& lines, const std::string& word)
{
    std::vector<std::string> out;
    for (const auto& line : lines) {
        if (line.compare(0, word.size() + 1, word + " ") == 0)
            out.push_back(line);
    }
    return out;
}

std::string Field(const std::string& line, const std::string& key)
{
    auto at = line.find(" " + key + "=");
    if (at == std::string::npos)
        return std::string();
    at += key.size() + 2;
    return line.substr(at, line.find(' ', at) - at);
}

} // namespace pvtest
