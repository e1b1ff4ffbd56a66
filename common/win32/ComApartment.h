#pragma once

#include <windows.h>

#include <objbase.h>

namespace quill {

// COM for the calling thread for as long as this lives; a thread that
// already has an apartment keeps its own.
class TComApartment {
public:
    TComApartment() noexcept : FResult(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~TComApartment() {
        if (SUCCEEDED(FResult)) {
            ::CoUninitialize();
        }
    }
    TComApartment(const TComApartment&) = delete;
    TComApartment& operator=(const TComApartment&) = delete;

private:
    HRESULT FResult;
};

} // namespace quill
