// fmhost scripts: one host message or one calculation a line.
//
//   // comment            blank lines and comments are skipped
//   #string ID [CAPACITY] string request (ID 0 to 255, CAPACITY in UTF-16
//                         units, default 1024)
//   #init [EXTN [HOST VERSION TEXT]]
//   #idle  #prefs  #shutdown
//   #unsafe KIND          message KIND (0 to 255) with the unsafe-calls flag
//   #sleep MS             the host's thread sleeps MS milliseconds (0 to 60000)
//   #external INDEX [PARAM]  the old-style call of function INDEX (0 to 65535)
//                         with the text PARAM (one pair of quotes taken off)
//   #journal              the scripts the plug-in had the host perform
//   #desktop              the main window's state and the hooks installed
//   the host's world (WorldScript.h), each a word or a quoted text apart:
//   #file #window #layout #layouts #script #scripts #windowlayout
//   #defaultwindow #running #current #mainwindow #otherwindow #activate
//   anything else         a calculation (Calc.h)
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fmhost/Calc.h"

namespace fmhost {

// One part of a world directive: a word, or a quoted text ("" with \" and
// \\ inside), which is never taken for a keyword.
struct DirectiveWord {
    std::string text;
    bool quoted = false;
};

struct Command {
    enum class Kind { String, Init, Idle, Prefs, Shutdown, Unsafe, Sleep, External, Journal, Desktop, World, Calc };
    Kind kind = Kind::Calc;
    int line = 0;
    int stringId = 0;                        // String
    std::uint32_t capacity = 1024;           // String
    std::optional<int> extnVersion;          // Init
    std::optional<std::string> hostVersion;  // Init
    int messageKind = 0;                     // Unsafe
    int sleepMs = 0;                         // Sleep
    int externalIndex = 0;                   // External
    std::string parameter;                   // External (UTF-8)
    std::string directive;                   // World: its name ("#file")
    std::vector<DirectiveWord> words;        // World: what follows the name
    CalcNode calc;                           // Calc
};

constexpr std::uint32_t kMaxStringCapacity = 1u << 20;
constexpr int kMaxSleepMs = 60000;

// Parses a whole script (UTF-8; CR LF line ends and a leading byte-order
// mark are accepted). On failure answers false and says where and why.
bool ParseScript(std::string_view text, std::vector<Command>* out, CalcError* error);

} // namespace fmhost
