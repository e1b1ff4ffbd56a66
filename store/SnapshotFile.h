#pragma once

#include "common/CaptureNotes.h"
#include "common/DateTime.h"
#include "common/DiskUsage.h"
#include "snapshot/HashKind.h"
#include "store/SessionStore.h"
#include "store/SnapshotFrame.h"

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// What shaped a before-capture besides its lists: when it began, the digest
// its scan was hashed with (the after-scan must use the same), and the
// folders it scanned (the watchers of a continued recording watch them).
struct TCaptureFacts {
    TDateTime StartTime = 0;
    THashKind HashKind = kHashNone;
    std::vector<std::string> Paths;
};

// The lists of one registry root as the before-capture left them.
struct TSavedRoot {
    bool Recorded = false;
    TKeyList Keys = NewKeyList();
    TValueList Values = NewValueList();
};

enum class TStoreSide { Before, After };

// A before-capture read whole from a snapshot file, apart from any store.
struct TSavedCapture {
    TCaptureFacts Facts;
    std::array<TSavedRoot, std::size(kAllRoots)> Roots;
    bool FilesRecorded = false;
    TFileList Files = PrepareSortedList<TFileScan>(TDuplicates::Refuse);
    TProcessList Processes = PrepareSortedList<TProcessRecord>(TDuplicates::Accept);
    TDiskFreeTable DiskFree{};
    TCaptureNotes Notes;

    // Puts every list, and the notes, in one side of the store, which the
    // caller has emptied: the before side, or the after side for a
    // comparison with a capture saved earlier. What was recorded is the
    // before side's to say.
    void MoveInto(TSessionStore& store, TStoreSide side = TStoreSide::Before) noexcept;
};

// The bytes of a snapshot file holding the store's before-capture: a header
// (magic, format version, content size, CRC-32 of the content), then the
// content compressed with zlib.
std::string EncodeBeforeCapture(const TSessionStore& store, const TCaptureFacts& facts);

// Reads the bytes of a snapshot file; raises ESnapshotFile naming fileName
// when they are truncated, damaged, not a snapshot file, or of a newer
// format.
TSavedCapture DecodeCapture(std::string_view bytes, const std::string& fileName);

} // namespace quill
