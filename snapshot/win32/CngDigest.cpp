#include "snapshot/Digest.h"

#include "common/win32/UniqueHandle.h"

#include <bcrypt.h>

#include <vector>

namespace quill {
namespace {

struct TAlgorithmTraits {
    using THandle = BCRYPT_ALG_HANDLE;
    static BCRYPT_ALG_HANDLE Invalid() noexcept { return nullptr; }
    static void Close(BCRYPT_ALG_HANDLE h) noexcept { ::BCryptCloseAlgorithmProvider(h, 0); }
};

struct THashTraits {
    using THandle = BCRYPT_HASH_HANDLE;
    static BCRYPT_HASH_HANDLE Invalid() noexcept { return nullptr; }
    static void Close(BCRYPT_HASH_HANDLE h) noexcept { ::BCryptDestroyHash(h); }
};

bool Succeeded(NTSTATUS status) noexcept {
    return status >= 0;
}

void Check(NTSTATUS status, const char* what) {
    if (!Succeeded(status)) {
        throw EDigestError(what);
    }
}

class TCngDigest : public IDigestEngine {
public:
    explicit TCngDigest(TDigestAlgorithm algorithm) {
        const wchar_t* id = algorithm == TDigestAlgorithm::MD5 ? BCRYPT_MD5_ALGORITHM : BCRYPT_SHA1_ALGORITHM;
        Check(::BCryptOpenAlgorithmProvider(FProvider.Put(), id, nullptr, 0), "the digest algorithm is not available");
        DWORD objectLength = 0;
        DWORD length = 0;
        ULONG written = 0;
        Check(::BCryptGetProperty(FProvider.Get(), BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&objectLength),
                                  sizeof objectLength, &written, 0),
              "the digest algorithm is not available");
        Check(::BCryptGetProperty(FProvider.Get(), BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&length), sizeof length,
                                  &written, 0),
              "the digest algorithm is not available");
        FLength = length;
        // One object buffer for every file hashed with this digest.
        FObject.resize(objectLength);
    }

    std::size_t Length() const noexcept override { return FLength; }

    void Start() override {
        FHash.Reset();
        Check(::BCryptCreateHash(FProvider.Get(), FHash.Put(), FObject.data(), static_cast<ULONG>(FObject.size()),
                                 nullptr, 0, 0),
              "the digest could not be computed");
    }

    void Update(const std::uint8_t* data, std::size_t size) override {
        constexpr std::size_t kLargestPiece = 0x40000000;
        while (size != 0) {
            const std::size_t piece = size < kLargestPiece ? size : kLargestPiece;
            Check(::BCryptHashData(FHash.Get(), const_cast<PUCHAR>(data), static_cast<ULONG>(piece), 0),
                  "the digest could not be computed");
            data += piece;
            size -= piece;
        }
    }

    void Finish(std::uint8_t* digest) override {
        Check(::BCryptFinishHash(FHash.Get(), digest, static_cast<ULONG>(FLength), 0),
              "the digest could not be computed");
        FHash.Reset();
    }

private:
    TUniqueHandle<TAlgorithmTraits> FProvider;
    std::vector<UCHAR> FObject;
    // Declared after the object buffer it lives in, so that it is destroyed
    // first.
    TUniqueHandle<THashTraits> FHash;
    std::size_t FLength = 0;
};

} // namespace

std::unique_ptr<IDigestEngine> CreateDigestEngine(TDigestAlgorithm algorithm) {
    return std::make_unique<TCngDigest>(algorithm);
}

} // namespace quill
