#pragma once

#include "common/CaptureNotes.h"
#include "common/Progress.h"
#include "snapshot/Digest.h"
#include "snapshot/FileSystem.h"
#include "snapshot/HashKind.h"
#include "snapshot/TreeScan.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace quill {

// Two upper-case hexadecimal digits per byte, no separators; "" for count 0.
std::string DigestToHex(const std::uint8_t* bytes, std::size_t count);

// Makes the digest engine of an algorithm; raises EDigestError when it is not
// available.
using TDigestFactory = std::function<std::unique_ptr<IDigestEngine>(TDigestAlgorithm)>;

// The digest of whole files, read in large blocks into one buffer that lives
// as long as the object.
class TFileDigest {
public:
    static constexpr std::size_t kBlockSize = 1 << 20;

    TFileDigest(IFileSystem& fileSystem, std::unique_ptr<IDigestEngine> engine);
    virtual ~TFileDigest() = default;

    // Ok when the whole content was read and digested; the digest then holds
    // its bytes. A failure of the engine is a failure of this file only.
    TFsResult HashFile(std::string_view path);
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
    TMD5Digest(IFileSystem& fileSystem, const TDigestFactory& createEngine)
        : TFileDigest(fileSystem, createEngine(TDigestAlgorithm::MD5)) {}
};

class TSHA1Digest : public TFileDigest {
public:
    TSHA1Digest(IFileSystem& fileSystem, const TDigestFactory& createEngine)
        : TFileDigest(fileSystem, createEngine(TDigestAlgorithm::SHA1)) {}
};

// Fills the Hash of every non-empty file of a scan. A file that cannot be
// read or digested keeps an empty digest, which the comparison takes as
// unknown; the reason goes to the capture notes.
class THashing {
public:
    // The kind comes from the setting through HashKindFromSetting.
    THashing(THashKind kind, TFileList& files, IFileSystem& fileSystem, TCaptureNotes& notes,
             const TDigestFactory& createEngine = CreateDigestEngine);

    TProgressStep OnHashed; // once per list item, hashed or not

    void HashAll();

private:
    TFileList& FFiles;
    TCaptureNotes& FNotes;
    std::unique_ptr<TFileDigest> FDigest; // none for a kind other than MD5 or SHA-1
    std::string FUnavailable;             // why the digest of the kind could not be made
};

} // namespace quill
