// The real plug-in module run by fmhost from a private folder of its own, so
// that its product log (beside the module) belongs to one test alone.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/fmhost_run.h"

namespace functest {

namespace fs = std::filesystem;

class PrivateHost : public pvtest::FmhostRun {
protected:
    struct Ran {
        int status = -1;
        std::vector<std::string> lines;   // standard output
        std::string err;
    };

    void SetUp() override
    {
        pvtest::FmhostRun::SetUp();
        fs::copy_file(PV_PLUGIN_MODULE, dir_ / "Plotvane.fmx");
    }

    // Runs the script (lines of calculations); `oldHost` plays a host whose
    // interface library lacks the newer exports.
    Ran Run(const std::string& script, int level = 52, bool oldHost = false)
    {
        using pvtest::Quote;
        const pvtest::FmhostRan ran = RunFmhost(
            script,
            "--plugin " + Quote((dir_ / "Plotvane.fmx").string()) + " --out " + Quote((dir_ / "out").string()) +
                " --extn-version " + std::to_string(level),
            oldHost ? "LD_LIBRARY_PATH=" + Quote(PV_BIN_DIR "/oldhost") : std::string());
        return Ran{ran.status, ran.OutLines(), ran.err};
    }

    fs::path LogPath() const { return dir_ / "Plotvane.log"; }
    std::string Log() const { return pvtest::Slurp(LogPath()); }
    // The log's lines without their time stamps.
    std::vector<std::string> LogLines() const
    {
        std::vector<std::string> lines;
        std::istringstream in(Log());
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            const auto at = line.find(", [");
            lines.push_back(at == std::string::npos ? line : line.substr(at + 2));
        }
        return lines;
    }
    void WriteLog(const std::string& text) const
    {
        std::ofstream f(LogPath(), std::ios::binary);
        f << text;
    }

};

} // namespace functest
