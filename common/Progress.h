#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace quill {

// The progress callbacks the captures hand to snapshots, scans, hashing and
// comparisons. Each of them also lets the window process pending messages.
using TProgressStart =
    std::function<void(int minimum, int maximum, int step, int position, const std::string& caption)>;
using TProgressStep = std::function<void()>;
using TShowCount = std::function<void(std::int64_t count)>;

} // namespace quill
