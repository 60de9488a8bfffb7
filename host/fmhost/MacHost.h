// fmhost's mac mode, chosen when the plug-in is a bundle folder: fmhost is
// the main bundle FMHost.app, whose frameworks (FMEngine, DBEngine, Support,
// MSLRuntime and FMWrapper) are loaded as the host's API level has them, and
// the plug-in's instance handle is its CFBundleRef.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fmapi/call_record.h"

namespace fmhost {

// A plug-in given as a folder is a bundle.
bool IsPluginBundle(const std::string& path);

// The application folder beside the interface library this process runs
// with (bin/FMHost.app, or bin/oldhost/FMHost.app for the older host's
// library); empty with a message when it cannot be found.
std::string HostApplicationFolder(std::string& error);

// The frameworks of a host of that API level, in loading order: MSLRuntime,
// FMEngine and FMWrapper always, Support and DBEngine from 51.
std::vector<std::string> MacFrameworkNames(std::int32_t apiLevel);

// Makes the application folder the main bundle, loads the level's
// frameworks (CFBundleCreate and CFBundleLoadExecutable, so that they are
// among the process's bundles; each with local binding) and configures each
// for the level. The interface framework must be the interface library this
// process runs with. False with a message when something is missing.
bool LoadMacHost(std::int32_t apiLevel, const std::string& application, std::string& error);

// The system version Gestalt reports: "10.4" is 10.4.11, "10.5" 10.5.8.
bool IsMacSystem(const std::string& version);
void SetMacSystem(const std::string& version);
// The user's folder (HOME, made when missing; nothing when empty) and the
// volumes mounted at /Volumes/NAME over folders (made when missing); folders
// relative to the working folder. False with a message when one cannot be.
bool SetUpMacFiles(const std::string& home, const std::vector<std::pair<std::string, std::string>>& volumes,
                   std::string& error);

// The host has the files it opens on disk: for a "filemac" location on a
// volume mounted over a folder (never the start-up volume), the file and its
// folders are made in that folder when missing ("%XX" decoded, a "/" of a
// name on disk as ":"). False when the location is on no such volume or the
// file cannot be made.
bool PlaceMacFile(const std::string& location);

// The plug-in bundle at a folder: its CFBundleRef (kept for the life of the
// process) and its entry point, loaded with local binding.
bool LoadPluginBundle(const std::string& path, void** bundle, FMExternCallProcPtr* entry, std::string& error);

} // namespace fmhost
