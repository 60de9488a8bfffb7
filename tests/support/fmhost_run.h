// fmhost run as a program: a fixture with a private temporary folder in which
// the script is written and fmhost runs, its standard output and error
// captured. Tests that include it define PV_FMHOST, the program's path.
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

#ifndef PV_FMHOST
#error "PV_FMHOST names the fmhost program"
#endif

namespace pvtest {

namespace fs = std::filesystem;

// `s` quoted for the shell.
inline std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// The whole content of a file (empty when it cannot be read).
inline std::string Slurp(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

struct FmhostRan {
    int status = -1;   // the exit status, -1 when it did not exit
    std::string out;
    std::string err;

    std::vector<std::string> OutLines() const
    {
        std::vector<std::string> lines;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
};

class FmhostRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        char name[] = "/tmp/pv-fmhost-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir_ = name;
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // Writes `script` to script.fmcalc in the folder and runs there
    // "ENV fmhost ARGS script.fmcalc" (the script from standard input when
    // `viaStdin`); `env` and `args` are shell words, quoted by the caller.
    FmhostRan RunFmhost(const std::string& script, const std::string& args, const std::string& env = "",
                        bool viaStdin = false) const
    {
        {
            std::ofstream f(dir_ / "script.fmcalc", std::ios::binary);
            f << script;
        }
        const std::string cmd = "cd " + Quote(dir_.string()) + " && " + env + " " + Quote(PV_FMHOST) + " " + args +
                                (viaStdin ? " < script.fmcalc" : " script.fmcalc") +
                                " > stdout.txt 2> stderr.txt";
        FmhostRan r;
        const int raw = std::system(cmd.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = Slurp(dir_ / "stdout.txt");
        r.err = Slurp(dir_ / "stderr.txt");
        return r;
    }

    fs::path dir_;
};

} // namespace pvtest
