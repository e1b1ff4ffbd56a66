#include "report/UndoScript.h"

#include "common/Utf.h"

namespace quill {

void WriteUndoScript(std::ostream& out, const TSessionStore& /*store*/, const TRecordingInfo& /*recording*/) {
    const std::u16string text = u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n";
    for (const char16_t unit : text) {
        out.put(static_cast<char>(unit & 0xFF));
        out.put(static_cast<char>(unit >> 8));
    }
}

void WriteCreatedFilesList(std::ostream& /*out*/, const TSessionStore& /*store*/) {}

} // namespace quill
