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

TFileDigest::TFileDigest(IFileSystem& fileSystem, std::unique_ptr<IDigestEngine> engine)
    : FFileSystem(fileSystem), FEngine(std::move(engine)),
      FBuffer(std::make_unique_for_overwrite<std::uint8_t[]>(kBlockSize)) {}

TFsResult TFileDigest::HashFile(std::string_view path) {
    std::unique_ptr<IFileReader> reader;
    TFsResult result = FFileSystem.OpenRead(path, reader);
    if (!result.Ok()) {
        return result;
    }
    try {
        FEngine->Start();
        for (;;) {
            std::size_t read = 0;
            result = reader->Read(FBuffer.get(), kBlockSize, read);
            if (!result.Ok()) {
                return result;
            }
            if (read == 0) {
                break;
            }
            FEngine->Update(FBuffer.get(), read);
        }
        FEngine->Finish(FDigest.data());
    } catch (const EDigestError& error) {
        return {TFsStatus::Failed, error.what()};
    }
    return {};
}

THashing::THashing(THashKind kind, TFileList& files, IFileSystem& fileSystem, TCaptureNotes& notes,
                   const TDigestFactory& createEngine)
    : FFiles(files), FNotes(notes) {
    try {
        if (kind == kHashMD5) {
            FDigest = std::make_unique<TMD5Digest>(fileSystem, createEngine);
        } else if (kind == kHashSHA1) {
            FDigest = std::make_unique<TSHA1Digest>(fileSystem, createEngine);
        }
    } catch (const EDigestError& error) {
        FUnavailable = error.what();
    }
}

void THashing::HashAll() {
    for (std::size_t i = 0; i < FFiles.Count(); ++i) {
        TFileScan* record = FFiles.Record(i);
        const TText path = FFiles.Text(i);
        // A directory's path ends with a backslash, whatever size it lists.
        if (record != nullptr && record->Size > 0 && !path.ends_with('\\')) {
            record->Hash = TText();
            if (FDigest) {
                const TFsResult result = FDigest->HashFile(path);
                if (result.Ok()) {
                    record->Hash = FFiles.Keep(DigestToHex(FDigest->Digest(), FDigest->Length()));
                } else {
                    FNotes.Add("Could not hash", path + " (" + std::string(result.Reason()) + ")");
                }
            } else if (!FUnavailable.empty()) {
                FNotes.Add("Could not hash", path + " (" + FUnavailable + ")");
            }
        }
        if (OnHashed) {
            OnHashed();
        }
    }
}

} // namespace quill
