#pragma once

#include <string>
#include <string_view>

namespace quill {

// Recorded text as HTML content or attribute text: markup characters become
// entities, so that no name or value can add elements to the page, and
// control characters become their visible pictures (U+2400 to U+241F,
// U+2421), so that a value holding line breaks or zeros shows them. An
// unpaired surrogate, or a byte that is no UTF-8, becomes U+FFFD.
void AppendEscaped(std::string& out, std::string_view text);

// The file:/// address of a local path, ready for an href attribute:
// backslashes become slashes; whatever would end or change the address
// (blanks, quotes, "%", "#", "?", control characters, bytes of non-ASCII
// characters) is percent-encoded, and the rest escaped as attribute text.
void AppendFileLink(std::string& out, std::string_view path);

} // namespace quill
