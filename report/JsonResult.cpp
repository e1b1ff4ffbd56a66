#include "report/JsonResult.h"

#include <nlohmann/json.hpp>

namespace quill {

void WriteJsonResult(std::ostream& out, const TSessionStore& /*store*/, const TRecordingInfo& recording) {
    nlohmann::ordered_json result;
    result["format"] = 1;
    result["recording"]["program"] = recording.ProgramName;
    out << result.dump(1, '\t') << '\n';
}

} // namespace quill
