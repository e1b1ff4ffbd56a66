#include "app/StartupSwitch.h"

#include "common/TextCompare.h"

namespace quill {

bool HasStartupSwitch(const std::vector<std::string>& arguments) {
    return !arguments.empty() && SameText(arguments.front(), "-startup");
}

} // namespace quill
