#pragma once

#include "snapshot/FileSystem.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// A file system held in memory, for tests of scanning and hashing. Paths
// start with a drive ("C:\Data\a.txt"); names match without regard to case,
// except inside directories marked case-sensitive, as NTFS allows. A node may
// have a short (8.3) name, which reaches it as its name does.
class TMemoryFileSystem : public IFileSystem {
public:
    // 2024-03-01 12:00:00 UTC.
    static constexpr std::uint64_t kDefaultTime = 133537680000000000;

    struct TNode {
        std::string Name;
        std::string ShortName;
        std::uint32_t Attributes = 0;
        std::uint64_t Size = 0;
        std::uint64_t LastWrite = kDefaultTime;
        std::string Content;
        std::vector<std::unique_ptr<TNode>> Children; // listing order
        bool CaseSensitive = false;
        bool Denied = false;    // listing or opening fails with "access denied"
        bool Locked = false;    // opening fails: held without read sharing
        bool ReadFails = false; // the content is read, then reading fails
    };

    TFsResult ListDirectory(std::string_view directory, const TEntryVisitor& visit) override;
    TFsResult OpenRead(std::string_view path, std::unique_ptr<IFileReader>& reader) override;
    // The platform's rules on the text alone, then short names of existing
    // paths replaced by long ones; paths without a drive fail.
    TFsResult FullPath(std::string_view path, std::string& full) override;

    // Creates the directory and its parents where missing.
    TNode& AddDirectory(std::string_view path, std::uint32_t attributes = kAttrDirectory,
                        std::uint64_t lastWrite = kDefaultTime);
    // Creates or replaces a file; its size is the content's length. Missing
    // parents are created with the file's time.
    TNode& AddFile(std::string_view path, std::string_view content, std::uint32_t attributes = kAttrArchive,
                   std::uint64_t lastWrite = kDefaultTime);
    TNode* Find(std::string_view path);

    // Reads served since construction and the largest size a read asked for.
    std::uint64_t Reads() const noexcept { return FReads; }
    std::size_t LargestRead() const noexcept { return FLargestRead; }

private:
    class TReader;

    TNode* Walk(std::string_view path, bool create, std::uint32_t attributes, std::uint64_t lastWrite);
    void ExpandShortNames(std::vector<std::string>& steps);

    TNode FRoot;
    std::uint64_t FReads = 0;
    std::size_t FLargestRead = 0;
};

} // namespace quill
