#include "fmhost/App.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <vector>

#include "fmapi/call_record.h"
#include "fmhost/Evaluate.h"
#include "fmhost/MacHost.h"
#include "fmhost/Values.h"

namespace fmhost {
namespace {

const char kUsage[] =
    "usage: fmhost [--plugin PATH] [--extn-version N] [--host-version TEXT]\n"
    "              [--app-kind N] [--mac-system 10.4|10.5] [--home DIR]\n"
    "              [--volume NAME=DIR]... [--out DIR] [--json] [--no-init] [SCRIPT]\n";

bool ReadInt(const std::string& text, long min, long max, long* out)
{
    long v = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || v < min || v > max) return false;
    *out = v;
    return true;
}

bool ReadScript(const std::string& name, std::string* text, std::string* error)
{
    if (name == "-") {
        std::ostringstream all;
        all << std::cin.rdbuf();
        if (std::cin.bad()) {
            *error = "cannot read the script from standard input";
            return false;
        }
        *text = all.str();
        return true;
    }
    std::ifstream f(name, std::ios::binary);
    if (f) {
        text->assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
        if (!f.bad()) return true;
    }
    *error = "cannot read the script " + name + ": " + std::strerror(errno);
    return false;
}

bool WriteLine(std::FILE* out, const std::string& line)
{
    std::string whole = line + "\n";
    return std::fwrite(whole.data(), 1, whole.size(), out) == whole.size() && std::fflush(out) == 0;
}

} // namespace

std::string DefaultPlugin()
{
    std::vector<char> buf(4096);
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) return "Plotvane.fmx";
    std::string self(buf.data(), static_cast<std::size_t>(n));
    std::size_t slash = self.rfind('/');
    return (slash == std::string::npos ? std::string(".") : self.substr(0, slash)) + "/Plotvane.fmx";
}

bool ParseOptions(int argc, const char* const* argv, Options* out, std::string* error)
{
    Options o;
    o.host.plugin.clear();
    bool haveScript = false;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string* v) {
            if (i + 1 >= argc) {
                *error = a + " needs a value";
                return false;
            }
            *v = argv[++i];
            return true;
        };
        std::string v;
        long n = 0;
        if (optionsEnded || a == "-" || a.rfind("--", 0) != 0) {
            if (haveScript) {
                *error = "only one script can be given (" + o.script + ", " + a + ")";
                return false;
            }
            o.script = a;
            haveScript = true;
        } else if (a == "--") {
            optionsEnded = true;
        } else if (a == "--plugin") {
            if (!value(&o.host.plugin)) return false;
        } else if (a == "--extn-version") {
            if (!value(&v)) return false;
            if (!ReadInt(v, -32768, 32767, &n)) {
                *error = "--extn-version must be a whole number from -32768 to 32767, not \"" + v + "\"";
                return false;
            }
            o.host.extnVersion = static_cast<int>(n);
        } else if (a == "--host-version") {
            if (!value(&o.host.hostVersion)) return false;
        } else if (a == "--app-kind") {
            if (!value(&v)) return false;
            if (!ReadInt(v, 0, 255, &n)) {
                *error = "--app-kind must be a whole number from 0 to 255, not \"" + v + "\"";
                return false;
            }
            o.host.appKind = static_cast<int>(n);
        } else if (a == "--mac-system") {
            if (!value(&v)) return false;
            if (!IsMacSystem(v)) {
                *error = "--mac-system must be 10.4 or 10.5, not \"" + v + "\"";
                return false;
            }
            o.host.macSystem = v;
        } else if (a == "--home") {
            if (!value(&o.host.home)) return false;
        } else if (a == "--volume") {
            if (!value(&v)) return false;
            const std::size_t equals = v.find('=');
            if (equals == std::string::npos || equals == 0 || equals + 1 == v.size()) {
                *error = "--volume must be NAME=DIR, not \"" + v + "\"";
                return false;
            }
            o.host.volumes.emplace_back(v.substr(0, equals), v.substr(equals + 1));
        } else if (a == "--out") {
            if (!value(&o.host.outDir)) return false;
        } else if (a == "--json") {
            o.json = true;
        } else if (a == "--no-init") {
            o.init = false;
        } else {
            *error = "unknown option " + a;
            return false;
        }
    }
    if (o.host.plugin.empty()) o.host.plugin = DefaultPlugin();
    *out = std::move(o);
    return true;
}

int RunFmhost(int argc, const char* const* argv, std::FILE* out, std::FILE* err)
{
    Options options;
    std::string problem;
    if (!ParseOptions(argc, argv, &options, &problem)) {
        std::fprintf(err, "fmhost: %s\n%s", problem.c_str(), kUsage);
        return 2;
    }

    std::string text;
    if (!ReadScript(options.script, &text, &problem)) {
        std::fprintf(err, "fmhost: %s\n", problem.c_str());
        return 1;
    }
    std::vector<Command> commands;
    CalcError parseError;
    if (!ParseScript(text, &commands, &parseError)) {
        std::string name = options.script == "-" ? "standard input" : options.script;
        std::fprintf(err, "fmhost: %s: line %d, column %d: %s\n", name.c_str(), parseError.line,
                     parseError.column, parseError.message.c_str());
        return 1;
    }

    Host host(options.host);
    if (!host.Load(&problem)) {
        std::fprintf(err, "fmhost: %s\n", problem.c_str());
        return 1;
    }
    InstallEvaluator();

    int status = 0;
    int line = 0;
    try {
        if (options.init) host.Init(options.host.extnVersion, options.host.hostVersion);
        for (const Command& c : commands) {
            line = c.line;
            LineResult r = host.Run(c);
            if (!WriteLine(out, options.json ? FormatJson(r) : FormatText(r))) {
                std::fprintf(err, "fmhost: cannot write the output\n");
                status = 1;
                break;
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(err, "fmhost: line %d: %s\n", line, e.what());
        status = 1;
    }
    if (host.Live()) host.Send(fmapi::kMsgShutdown);
    for (const std::string& w : host.Warnings()) {
        std::fprintf(err, "fmhost: %s\n", w.c_str());
        status = 1;
    }
    return status;
}

} // namespace fmhost
