#include "snapshot/Hashing.h"

namespace quill {

std::string DigestToHex(const std::uint8_t* bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex(count * 2, '0');
    for (std::size_t i = 0; i < count; ++i) {
        hex[2 * i] = kDigits[bytes[i] >> 4];
        hex[2 * i + 1] = kDigits[bytes[i] & 0xF];
    }
    return hex;
}

TFileDigest::TFileDigest(IFileSystem& fileSystem, TDigestAlgorithm algorithm)
    : FFileSystem(fileSystem), FEngine(CreateDigestEngine(algorithm)),
      FBuffer(std::make_unique_for_overwrite<std::uint8_t[]>(kBlockSize)) {}

TFsStatus TFileDigest::HashFile(std::string_view path) {
    std::unique_ptr<IFileReader> reader;
    const TFsStatus status = FFileSystem.OpenRead(path, reader);
    if (status != TFsStatus::Ok) {
        return status;
    }
    FEngine->Start();
    for (;;) {
        std::size_t read = 0;
        if (!reader->Read(FBuffer.get(), kBlockSize, read)) {
            return TFsStatus::Failed;
        }
        if (read == 0) {
            break;
        }
        FEngine->Update(FBuffer.get(), read);
    }
    FEngine->Finish(FDigest.data());
    return TFsStatus::Ok;
}

THashing::THashing(std::uint8_t kind, TFileList& files, IFileSystem& fileSystem, TCaptureNotes& notes)
    : FFiles(files), FNotes(notes) {
    if (kind == kHashMD5) {
        FDigest = std::make_unique<TMD5Digest>(fileSystem);
    } else if (kind == kHashSHA1) {
        FDigest = std::make_unique<TSHA1Digest>(fileSystem);
    }
}

void THashing::HashAll() {
    for (std::size_t i = 0; i < FFiles.Count(); ++i) {
        TFileScan* record = FFiles.Record(i);
        const std::string& path = FFiles.Text(i);
        // A directory's path ends with a backslash, whatever size it lists.
        if (record != nullptr && record->Size > 0 && !path.ends_with('\\')) {
            record->Hash.clear();
            if (FDigest) {
                const TFsStatus status = FDigest->HashFile(path);
                if (status == TFsStatus::Ok) {
                    record->Hash = DigestToHex(FDigest->Digest(), FDigest->Length());
                } else {
                    FNotes.Add("Could not hash", path + " (" + std::string(FsStatusText(status)) + ")");
                }
            }
        }
        if (OnHashed) {
            OnHashed();
        }
    }
}

} // namespace quill
