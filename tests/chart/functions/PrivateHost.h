// The real plug-in module run by fmhost from a private folder of its own, so
// that its product log (beside the module) belongs to one test alone.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace functest {

namespace fs = std::filesystem;

class PrivateHost : public ::testing::Test {
protected:
    struct Ran {
        int status = -1;
        std::vector<std::string> lines;   // standard output
        std::string err;
    };

    void SetUp() override
    {
        char name[] = "/tmp/pv-chartfuncs-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir_ = name;
        fs::copy_file(PV_PLUGIN_MODULE, dir_ / "Plotvane.fmx");
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    static std::string Quote(const std::string& s)
    {
        std::string q = "'";
        for (char c : s)
            q += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return q + "'";
    }
    static std::string Slurp(const fs::path& p)
    {
        std::ifstream f(p, std::ios::binary);
        std::ostringstream s;
        s << f.rdbuf();
        return s.str();
    }

    // Runs the script (lines of calculations); `oldHost` plays a host whose
    // interface library lacks the newer exports.
    Ran Run(const std::string& script, int level = 52, bool oldHost = false)
    {
        {
            std::ofstream f(dir_ / "script.fmcalc", std::ios::binary);
            f << script;
        }
        std::string cmd = "cd " + Quote(dir_.string()) + " && ";
        if (oldHost)
            cmd += "LD_LIBRARY_PATH=" + Quote(PV_BIN_DIR "/oldhost") + " ";
        cmd += Quote(PV_FMHOST) + " --plugin " + Quote((dir_ / "Plotvane.fmx").string()) + " --out " +
               Quote((dir_ / "out").string()) + " --extn-version " + std::to_string(level) +
               " script.fmcalc > stdout.txt 2> stderr.txt";
        Ran r;
        const int raw = std::system(cmd.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        std::istringstream out(Slurp(dir_ / "stdout.txt"));
        for (std::string line; std::getline(out, line);)
            r.lines.push_back(line);
        r.err = Slurp(dir_ / "stderr.txt");
        return r;
    }

    fs::path LogPath() const { return dir_ / "Plotvane.log"; }
    std::string Log() const { return Slurp(LogPath()); }
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

    fs::path dir_;
};

} // namespace functest
