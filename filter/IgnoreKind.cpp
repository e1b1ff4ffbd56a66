#include "filter/IgnoreKind.h"

namespace quill {

TIgnoreKindInfo IgnoreKindInfo(TIgnoreKind kind) noexcept {
    switch (kind) {
    case TIgnoreKind::Files:
        return {"Files to ignore", "Filename:", "IgnoreFiles.txt"};
    case TIgnoreKind::Directories:
        return {"Directories to ignore", "Directory:", "IgnoreDirs.txt"};
    case TIgnoreKind::Keys:
        return {"Registry keys to ignore", "Key:", "IgnoreKeys.txt"};
    case TIgnoreKind::Values:
        return {"Registry values to ignore", "Value:", "IgnoreValues.txt"};
    }
    return {"Items to ignore", "Item:", "IgnoreUnknown.txt"};
}

} // namespace quill
