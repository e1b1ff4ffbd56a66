#include "snapshot/FileSystem.h"

namespace quill {

std::string_view FsStatusText(TFsStatus status) noexcept {
    switch (status) {
    case TFsStatus::Ok:
        return "ok";
    case TFsStatus::NotFound:
        return "not found";
    case TFsStatus::AccessDenied:
        return "access denied";
    case TFsStatus::InUse:
        return "in use by another program";
    case TFsStatus::Failed:
        break;
    }
    return "failed";
}

} // namespace quill
