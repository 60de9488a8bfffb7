// Setting up the macOS system stand-ins: used only by fmhost and by tests,
// never by the plug-in. The state lives in libCoreFoundation.so (the
// notification queue in libCarbon.so), so host and plug-in see the same.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct NMRec;

namespace macsetup {

// The bundle that CFBundleGetMainBundle answers: the folder at path, made
// known to the process; an empty path leaves the process without a main
// bundle. False (and no main bundle) when the folder does not exist.
bool SetMainBundle(const std::string& path);

// The folder that stands for the system's own tree: with it set, a bundle or
// resource path under "/System/" is read below that folder.
void SetSystemRoot(const std::string& folder);
// The file-system path of a path as the system names it: on a mounted
// volume below its folder, under "/System/" below the system root, else
// below the start-up volume's folder.
std::string HostPath(const std::string& systemPath);

// Volumes. The start-up volume holds "/" ("Macintosh HD" over the machine's
// own root at start); the others are mounted at "/Volumes/NAME", where a "/"
// of the name is ":". Names are UTF-8; folders are the machine's own paths.
struct Volume {
    std::string name;
    std::string mountPoint;  // as the system names it
    std::string folder;
};
// An empty folder stands for the machine's root. False (and nothing changed)
// for an empty name.
bool SetStartupVolume(const std::string& name, const std::string& folder);
// False for an empty name, one already mounted (case ignored, as the system
// compares names), the start-up volume's or a folder that does not exist.
bool MountVolume(const std::string& name, const std::string& folder);
void UnmountVolumes();
// The start-up volume first, then the others in the order of mounting.
std::vector<Volume> Volumes();

// The system version that Gestalt reports (10.5.8 at start).
void SetSystemVersion(int major, int minor, int bugfix);
void GetSystemVersion(int& major, int& minor, int& bugfix);

// CFStringGetSystemEncoding (Mac Roman, 0, at start) and
// GetApplicationTextEncoding (0 at start).
void SetSystemEncoding(std::uint32_t encoding);
void SetApplicationTextEncoding(std::uint32_t encoding);
std::uint32_t GetApplicationTextEncoding();

// Localizations searched for strings, best first ("English", "en" at start).
void SetPreferredLocalizations(const std::vector<std::string>& names);
std::vector<std::string> GetPreferredLocalizations();

// CFAbsoluteTimeGetCurrent answers *fixed from now on; null returns to the clock.
void SetCurrentTime(const double* fixed);

// Failure injection: after `skip` successful calls, the next `times` calls of
// the named system function fail as they can on the real system (a null
// result, an error code). Names are the functions' own ("NMInstall").
void FailCalls(const std::string& function, int times = 1, int skip = 0);
void ClearFailures();
// True when a call of the function is to fail now (counts the call). For the
// stand-ins themselves.
bool ShouldFail(const char* function);

// Notification Manager (libCarbon.so): the records installed now, oldest first.
std::vector<const NMRec*> InstalledNotifications();

// Everything above back to its state at start (known bundles, installed
// notifications and File Manager references stay).
void Reset();

}  // namespace macsetup
