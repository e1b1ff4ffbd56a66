#include "monitor/ShellEventDispatch.h"

#include "common/TextCompare.h"

#include <stdexcept>
#include <utility>

namespace quill {
namespace {

constexpr std::uint32_t kInterruptFlag = 0x80000000;

std::size_t SlotOf(const TShellEventKind& kind) noexcept {
    return static_cast<std::size_t>(&kind - ShellEventKinds().data());
}

const TShellEventKind& KindOf(std::uint32_t bit) {
    const TShellEventKind* kind = FindShellEventKind(bit);
    if (kind == nullptr) {
        throw std::invalid_argument("no shell event kind has the bit " + std::to_string(bit));
    }
    return *kind;
}

} // namespace

void ApplyTextCase(TTextCase textCase, std::string& path) {
    if (textCase == TTextCase::tcAsIs) {
        return;
    }
    const bool upper = textCase == TTextCase::tcUppercase;
    for (char& c : path) {
        if (upper && c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        } else if (!upper && c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
}

void CheckMessageNo(int messageNo) {
    if (messageNo < kMinMessageNo) {
        throw std::invalid_argument("MessageNo must be greater than or equal to " + std::to_string(kMinMessageNo));
    }
}

void TShellEventDispatch::SetHandler(std::uint32_t kind, TShellEventHandler handler) {
    FHandlers[SlotOf(KindOf(kind))] = std::move(handler);
}

void TShellEventDispatch::ClearHandlers() noexcept {
    for (auto& handler : FHandlers) {
        handler = nullptr;
    }
}

bool TShellEventDispatch::HasHandler(std::uint32_t kind) const noexcept {
    const TShellEventKind* found = FindShellEventKind(kind);
    return found != nullptr && FHandlers[SlotOf(*found)] != nullptr;
}

std::uint32_t TShellEventDispatch::Mask() const noexcept {
    std::uint32_t mask = 0;
    for (const TShellEventKind& kind : ShellEventKinds()) {
        if (FHandlers[SlotOf(kind)]) {
            mask |= kind.Bit;
        }
    }
    return mask;
}

bool TShellEventDispatch::Deliver(std::uint32_t code, std::string path1, std::string path2) {
    code &= ~kInterruptFlag;
    const TShellEventKind* kind = FindShellEventKind(code);
    if (kind == nullptr || !FHandlers[SlotOf(*kind)]) {
        return false;
    }
    const bool repeat = code == FLastCode && SameText(path1, FLastPath1) && SameText(path2, FLastPath2);
    FLastCode = code;
    FLastPath1 = path1;
    FLastPath2 = path2;
    if (repeat) {
        return false;
    }
    ApplyTextCase(TextCase, path1);
    ApplyTextCase(TextCase, path2);
    if (!kind->TwoPaths) {
        path2.clear();
    }
    // A handler may replace the handlers while it runs.
    const TShellEventHandler handler = FHandlers[SlotOf(*kind)];
    handler(code, path1, path2);
    return true;
}

} // namespace quill
