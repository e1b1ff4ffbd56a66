#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quill {

// The delimited list text in which the settings keep lists of strings (the
// directories to scan, the programs to watch): items joined by "*", an item
// holding a blank, a control character, a double quote or "*" enclosed in
// double quotes with its quotes doubled.
std::string FormatDelimitedList(const std::vector<std::string>& items);

// Reads delimited list text. Blanks and control characters around items are
// skipped, a blank ends an unquoted item, and a "*" that is the last character
// adds a final empty item. A NUL character ends the text.
std::vector<std::string> ParseDelimitedList(std::string_view text);

} // namespace quill
