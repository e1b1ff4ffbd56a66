#pragma once

#include <utility>

namespace quill {

// Runs a call when the scope ends, however it ends: the steps that must
// follow some work even when the work throws.
template <class TCall> class TScopeExit {
public:
    explicit TScopeExit(TCall call) : FCall(std::move(call)) {}
    ~TScopeExit() { FCall(); }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;

private:
    TCall FCall;
};

} // namespace quill
