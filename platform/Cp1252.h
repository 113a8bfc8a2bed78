// Texts inside the program are CP1252 bytes, as the files are; these convert
// at the edges (windows, JSON output).
#pragma once
#include <string>
#include <string_view>

namespace quill {

// CP1252 bytes to UTF-8; the five undefined bytes become U+FFFD.
std::string cp1252ToUtf8(std::string_view s);
// UTF-8 to CP1252; characters the code page lacks (and bad sequences) become '?'.
std::string utf8ToCp1252(std::string_view s);

}  // namespace quill
