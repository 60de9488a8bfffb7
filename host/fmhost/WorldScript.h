// Script directives that set up the host's world (world/World.h). Each part
// is a word or a quoted text; keywords are words.
//
//   #file NAME [LOCATION]        an open file; LOCATION in path notation ends
//                                in NAME (default filewin:/C:/Files/NAME)
//   #window FILE TITLE [hidden] [maximised|minimised] [mode N] [flag] [dialog]
//                                a window of the file in front of all others;
//                                a file's first window (not a dialog) is its
//                                default window
//   #layout FILE NAME [hidden] [at INDEX]   a layout (INDEX 1 to 65535;
//                                default after the last)
//   #layouts FILE COUNT          the layout catalog's member count
//   #script FILE NAME [at INDEX] and #scripts FILE COUNT   the same for scripts
//   #windowlayout TITLE LAYOUT   the window's current layout (of its file)
//   #defaultwindow FILE TITLE|none
//   #running FILE SCRIPT [param TEXT] [paused]  or  #running none
//   #current FILE|none           the file of the host's expression environment
//   #mainwindow enabled|disabled|none [class CLASS]   enables or disables the
//                                host's main window, or replaces it with one
//                                of another class (default: FileMaker's at the
//                                API level for the application kind)
//   #otherwindow CLASS           a window of another process
//   #activate                    the host becomes the active application: the
//                                main window gets the activation message (28,
//                                flag true), which its thread's hooks then see
//
// Each answers "ok". A file, window, layout or script that does not exist
// (or a name or index that is taken) stops the run with a message.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "fmhost/Script.h"

namespace fmhost {

bool IsWorldDirective(std::string_view name);

// Checks the parts after a world directive's name. On a mistake answers false
// with the index of the part at fault (words.size(): one is missing).
bool CheckWorldDirective(std::string_view name, const std::vector<DirectiveWord>& words, std::size_t* at,
                         std::string* message);

// Carries a checked directive out; HostFailure for what does not exist.
void RunWorldDirective(const Command& command, int appKind);

// "none", or the scripts performed since the last time joined by " | ".
std::string TakeJournalText();

// `mainwindow "CLASS" enabled|disabled flashing|still hooks H`, or
// `mainwindow none hooks H`: the main window and the hooks installed.
std::string DesktopText();

} // namespace fmhost
