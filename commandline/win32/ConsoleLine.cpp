#include "commandline/win32/ConsoleLine.h"

#include "common/win32/WinText.h"

namespace quill {
namespace {

class TWin32ConsoleLine : public IConsoleLine {
public:
    explicit TWin32ConsoleLine(HANDLE output) : FOutput(output) {}

    void Write(std::string_view text) override {
        const std::wstring wide = Wide(text);
        DWORD written = 0;
        ::WriteConsoleW(FOutput, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    }

    std::size_t Width() const override {
        CONSOLE_SCREEN_BUFFER_INFO info{};
        if (!::GetConsoleScreenBufferInfo(FOutput, &info) || info.dwSize.X <= 0) {
            return kUsualWidth;
        }
        return static_cast<std::size_t>(info.dwSize.X);
    }

private:
    static constexpr std::size_t kUsualWidth = 80;
    HANDLE FOutput;
};

} // namespace

std::unique_ptr<IConsoleLine> InteractiveConsoleLine(HANDLE output) {
    DWORD mode = 0;
    if (output == nullptr || output == INVALID_HANDLE_VALUE || ::GetFileType(output) != FILE_TYPE_CHAR ||
        !::GetConsoleMode(output, &mode)) {
        return nullptr;
    }
    return std::make_unique<TWin32ConsoleLine>(output);
}

} // namespace quill
