// What fmhost prints for one script line, as text or as JSON.
//
// Text:
//   N: result R                     a message (R: the record's result)
//   N: string "..."                 a string request
//   N: ok                           a sleep, a directive on the host's world
//   N: journal none | E | E ...     the scripts performed since the last
//                                   #journal (Host.h)
//   N: desktop mainwindow ...       the main window and the hooks (#desktop,
//                                   WorldScript.h)
//   N: external "..." | untouched   an old-style call: the result handle's
//                                   text, or untouched when the plug-in
//                                   neither locked nor resized it
//   N: error E VALUE                a calculation, VALUE one of
//        text "..."                 (CR shown as ¶, \" \\ escaped, other
//                                   control characters as \xHH)
//        number X | date X | time X | timestamp X | boolean X
//        empty
//        container T:B T:B ... [-> FILE]   streams in order (type:bytes; a
//                                   file-name stream adds ="NAME", a size
//                                   stream of 4 bytes =WIDTHxHEIGHT),
//                                   FILE the picture written, relative to
//                                   the output folder
// JSON (one object a line, every field present, null where it does not
// apply): line, kind ("init" "idle" "prefs" "shutdown" "unsafe" "sleep"
// "string" "external" "journal" "desktop" "directive" "calc"), error, type ("text" "number" "date" "time"
// "timestamp" "boolean" "container" "empty"; "text" or "untouched" for
// "external"), text, number, result, streams ([{"type","bytes"}]), file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fmhost {

struct LineResult {
    int line = 0;
    std::string kind;
    std::optional<std::intptr_t> result;   // messages
    std::optional<std::int32_t> error;     // calculations
    std::string type;                      // calculations, old-style calls
    std::optional<std::string> text;       // string answers, text values (UTF-8)
    std::optional<std::string> number;     // numeric values in their text form
    std::optional<std::vector<std::pair<std::string, std::uint32_t>>> streams;
    std::optional<std::string> file;
    // What a stream holds, by its index in `streams`, where it is shown.
    std::vector<std::pair<std::size_t, std::string>> streamValues;
};

std::string FormatText(const LineResult& r);
std::string FormatJson(const LineResult& r);

// A text as the text form shows it, with its quotes.
std::string QuoteText(std::string_view utf8);
std::string JsonString(std::string_view utf8);
// A four-character stream type: its characters when they are printable
// (not blank, ':' or '"'), else 0xXXXXXXXX.
std::string StreamTypeName(std::uint32_t type);

} // namespace fmhost
