// Byte-exact text for logs, and the reverse for operator commands.
#pragma once

#include <string>
#include <string_view>

namespace ktsim {

// Printable ASCII stays as it is; LF, CR, TAB, backslash, quote and every
// other byte become \n, \r, \t, \\, \", \xNN.
std::string EscapeBytes(std::string_view bytes);

// Reverses EscapeBytes: \n, \r, \t, \\, \" and \xNN (two hex digits) become
// their bytes; any other backslash stays a backslash.
std::string UnescapeText(std::string_view text);

}  // namespace ktsim
