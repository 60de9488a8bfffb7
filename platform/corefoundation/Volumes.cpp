// The volume table that the File Manager walks and that maps the system's
// paths to the machine's files.
#include <sys/stat.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/corefoundation/State.h"
#include "platform/corefoundation/SystemSetup.h"

namespace {

const char kStartupName[] = "Macintosh HD";
const char kVolumesFolder[] = "/Volumes/";

struct VolumeTable {
    std::mutex mutex;
    std::string startupName = kStartupName;
    std::string startupFolder;  // empty: the machine's root
    std::vector<macsetup::Volume> mounted;
};

VolumeTable& Table() {
    static VolumeTable& table = *new VolumeTable;
    return table;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) {
            return false;
        }
    }
    return true;
}

std::string MountPointOf(const std::string& name) {
    std::string point = kVolumesFolder;
    for (char c : name) {
        point += c == '/' ? ':' : c;
    }
    return point;
}

std::string WithoutTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder == "/" ? std::string() : folder;
}

}  // namespace

namespace pvcf {

// The machine's path of a system path on a mounted volume, or false.
bool MountedHostPath(const std::string& systemPath, std::string& host, std::string& startupFolder) {
    VolumeTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    startupFolder = table.startupFolder;
    for (const macsetup::Volume& volume : table.mounted) {
        const std::string& point = volume.mountPoint;
        if (systemPath.compare(0, point.size(), point) == 0 &&
            (systemPath.size() == point.size() || systemPath[point.size()] == '/')) {
            host = volume.folder + systemPath.substr(point.size());
            return true;
        }
    }
    return false;
}

}  // namespace pvcf

namespace macsetup {

bool SetStartupVolume(const std::string& name, const std::string& folder) {
    if (name.empty()) {
        return false;
    }
    VolumeTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.startupName = name;
    table.startupFolder = WithoutTrailingSlash(folder);
    return true;
}

bool MountVolume(const std::string& name, const std::string& folder) {
    struct stat info {};
    if (name.empty() || stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return false;
    }
    VolumeTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    if (SameName(name, table.startupName)) {
        return false;
    }
    for (const Volume& volume : table.mounted) {
        if (SameName(name, volume.name)) {
            return false;
        }
    }
    std::string host = WithoutTrailingSlash(folder);
    table.mounted.push_back(Volume{name, MountPointOf(name), host.empty() ? std::string("/") : host});
    return true;
}

void UnmountVolumes() {
    VolumeTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.mounted.clear();
}

std::vector<Volume> Volumes() {
    VolumeTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    std::vector<Volume> all;
    all.push_back(Volume{table.startupName, "/", table.startupFolder.empty() ? "/" : table.startupFolder});
    all.insert(all.end(), table.mounted.begin(), table.mounted.end());
    return all;
}

}  // namespace macsetup
