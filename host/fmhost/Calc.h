// The calculations fmhost understands: a small part of FileMaker's formula
// language.
//
//   calculation := value ( "&" value )*
//   value       := "text" | number | ¶ | ( calculation )
//                | List ( calculation ( ; calculation )* )
//                | Name [ ( [ calculation ( ; calculation )* ] ) ]
//
// Inside a text literal ¶ is a return (CR); \" \\ and \¶ give the character
// itself. A number is decimal with an optional minus and fraction. Names are
// matched ignoring case; a name without parentheses calls the function with
// no arguments. Whitespace (also returns) may stand between the parts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fmhost {

struct CalcNode {
    enum class Kind { Text, Number, Concat, List, Call };
    Kind kind = Kind::Text;
    std::string text;              // Text: the characters (UTF-8); Call: the name
    double number = 0;             // Number
    int column = 0;                // where the part starts (1-based, in characters)
    std::vector<CalcNode> args;    // Concat: operands; List and Call: arguments
};

struct CalcError {
    int line = 0;
    int column = 0;                // 1-based, in characters
    std::string message;
};

enum { kMaxCalcNesting = 200 };

// Parses one calculation. On failure answers false and says where and why.
bool ParseCalc(std::string_view source, int line, CalcNode* out, CalcError* error);

// A canonical form of a parsed calculation: texts quoted, numbers with 17
// significant digits, every concatenation, list and call spelt out, e.g.
// cat("a" ; list(1 ; "b")) or call Name(…).
std::string DescribeCalc(const CalcNode& node);

} // namespace fmhost
