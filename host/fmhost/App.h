// fmhost's command line and its run from start to end.
//
// fmhost [--plugin PATH] [--extn-version N] [--host-version TEXT]
//        [--app-kind N] [--mac-system 10.4|10.5] [--home DIR]
//        [--volume NAME=DIR]... [--out DIR] [--json] [--no-init] [SCRIPT]
//
// A PATH that is a folder is a plug-in bundle: fmhost then plays the macOS
// host (fmhost/MacHost.h); --mac-system is the system version it reports,
// --home the user's folder (HOME, made when missing) and each --volume a
// volume mounted at /Volumes/NAME over a folder.
//
// Exit status: 0 when every line ran; 1 when the plug-in cannot be loaded or
// has no entry point, the script cannot be read or does not parse, a picture
// cannot be written, the plug-in wrote beyond a string buffer or left a
// handle of an old-style call locked; 2 for a bad command line. Script
// errors are found before anything is sent to the plug-in, so then nothing
// at all is written to standard output.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "fmhost/Host.h"

namespace fmhost {

struct Options {
    HostSettings host;
    bool json = false;
    bool init = true;
    std::string script = "-";
};

// Reads the command line; on a mistake answers false with a message.
bool ParseOptions(int argc, const char* const* argv, Options* out, std::string* error);

// The Plotvane.fmx in fmhost's own folder (found through /proc/self/exe).
std::string DefaultPlugin();

int RunFmhost(int argc, const char* const* argv, std::FILE* out, std::FILE* err);

} // namespace fmhost
