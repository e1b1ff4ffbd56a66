#pragma once

#include "common/Registry.h"

#include <windows.h>

#include <string>
#include <vector>

namespace quill {

// The name and data buffers of reading a key's values with one request each.
// They are sized from what the key says of its largest value, and grown to
// what the registry answers when a value turns out larger: a key may
// under-report, and a value may grow between the two requests.
class TRegValueBuffer {
public:
    // A value that grows again at every request is given up after this many.
    static constexpr int kRequests = 4;

    void Reserve(std::uint32_t maxNameLength, std::uint32_t maxDataSize);

    // Reads one value through read(name, nameLength, type, data, size), a
    // request with the in-out sizes of RegEnumValueW. ERROR_MORE_DATA only
    // when the value kept growing; other errors as the request gave them.
    template <class TRead> LONG Read(TRead&& read, TRegValue& value) {
        if (FData.empty()) {
            Reserve(0, 0);
        }
        for (int request = 0; request < kRequests; ++request) {
            DWORD nameLength = static_cast<DWORD>(FName.size());
            DWORD type = 0;
            DWORD size = static_cast<DWORD>(FData.size());
            const LONG error = read(FName.data(), nameLength, type, FData.data(), size);
            if (error == ERROR_SUCCESS) {
                Take(nameLength, type, size, value);
                return error;
            }
            if (error != ERROR_MORE_DATA) {
                return error;
            }
            Grow(size);
        }
        return ERROR_MORE_DATA;
    }

private:
    void Grow(DWORD neededSize);
    void Take(DWORD nameLength, DWORD type, DWORD size, TRegValue& value) const;

    std::wstring FName;
    std::vector<BYTE> FData;
};

} // namespace quill
