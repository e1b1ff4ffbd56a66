#pragma once

#include "common/CaptureNotes.h"
#include "common/Progress.h"
#include "snapshot/Digest.h"
#include "snapshot/FileSystem.h"
#include "snapshot/TreeScan.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quill {

// The setting Hashing: which digest the scans get.
enum THashKind : std::uint8_t { kHashNone = 0, kHashMD5 = 1, kHashSHA1 = 2 };

// Two upper-case hexadecimal digits per byte, no separators; "" for count 0.
std::string DigestToHex(const std::uint8_t* bytes, std::size_t count);

// The digest of whole files, read in large blocks into one buffer that lives
// as long as the object.
class TFileDigest {
public:
    static constexpr std::size_t kBlockSize = 1 << 20;

    TFileDigest(IFileSystem& fileSystem, TDigestAlgorithm algorithm);
    virtual ~TFileDigest() = default;

    // Ok when the whole content was read; the digest then holds its bytes.
    TFsStatus HashFile(std::string_view path);
    const std::uint8_t* Digest() const noexcept { return FDigest.data(); }
    std::size_t Length() const noexcept { return FEngine->Length(); }

private:
    IFileSystem& FFileSystem;
    std::unique_ptr<IDigestEngine> FEngine;
    std::unique_ptr<std::uint8_t[]> FBuffer;
    std::array<std::uint8_t, kMaxDigestLength> FDigest{};
};

class TMD5Digest : public TFileDigest {
public:
    explicit TMD5Digest(IFileSystem& fileSystem) : TFileDigest(fileSystem, TDigestAlgorithm::MD5) {}
};

class TSHA1Digest : public TFileDigest {
public:
    explicit TSHA1Digest(IFileSystem& fileSystem) : TFileDigest(fileSystem, TDigestAlgorithm::SHA1) {}
};

// Fills the Hash of every non-empty file of a scan. A file that cannot be
// read keeps an empty digest, which the comparison takes as unknown; the
// reason goes to the capture notes.
class THashing {
public:
    THashing(std::uint8_t kind, TFileList& files, IFileSystem& fileSystem, TCaptureNotes& notes);

    TProgressStep OnHashed; // once per list item, hashed or not

    void HashAll();

private:
    TFileList& FFiles;
    TCaptureNotes& FNotes;
    std::unique_ptr<TFileDigest> FDigest; // none for a kind other than MD5 or SHA-1
};

} // namespace quill
