// fmhost's windows in mac mode: besides the world's windows (world/World.h),
// each of the host's windows is a Carbon window (platform/carbon) in the same
// front-to-back order, whose reference constant is a window model laid out
// for the host's API level (fmapi/mac_layout.h): its file user, layout, user
// mode, flags and name. Document windows have the level's window kind;
// dialogs are Dialog Manager dialogs; modal windows are alerts.
#pragma once

#include <cstdint>
#include <string>

#include "world/World.h"

namespace fmhost {

// From now on the host's windows are also Carbon windows of that level.
void StartMacWindows(std::int32_t apiLevel);
bool MacWindowsStarted();

// The Carbon window of a world window just added.
void AddMacWindow(const hostworld::Window& window, const hostworld::WindowOptions& options);
// The model's layout after the world's changed.
void UpdateMacWindowLayout(const hostworld::Window& window);

// Modal windows in front of all others: an alert ("alert"), a hidden movable
// modal dialog ("hidden"); "none" takes every one of them away.
void SetMacModal(const std::string& what);

} // namespace fmhost
