#include "snapshot/Digest.h"

#include <openssl/evp.h>

namespace quill {
namespace {

struct TContextDeleter {
    void operator()(EVP_MD_CTX* context) const noexcept { EVP_MD_CTX_free(context); }
};

class TOpenSslDigest : public IDigestEngine {
public:
    explicit TOpenSslDigest(TDigestAlgorithm algorithm)
        : FType(algorithm == TDigestAlgorithm::MD5 ? EVP_md5() : EVP_sha1()), FContext(EVP_MD_CTX_new()) {
        if (FType == nullptr || !FContext) {
            throw EDigestError("the digest algorithm is not available");
        }
        FLength = static_cast<std::size_t>(EVP_MD_get_size(FType));
    }

    std::size_t Length() const noexcept override { return FLength; }

    void Start() override { Check(EVP_DigestInit_ex(FContext.get(), FType, nullptr)); }

    void Update(const std::uint8_t* data, std::size_t size) override {
        Check(EVP_DigestUpdate(FContext.get(), data, size));
    }

    void Finish(std::uint8_t* digest) override { Check(EVP_DigestFinal_ex(FContext.get(), digest, nullptr)); }

private:
    static void Check(int result) {
        if (result != 1) {
            throw EDigestError("the digest could not be computed");
        }
    }

    const EVP_MD* FType;
    std::unique_ptr<EVP_MD_CTX, TContextDeleter> FContext;
    std::size_t FLength = 0;
};

} // namespace

std::unique_ptr<IDigestEngine> CreateDigestEngine(TDigestAlgorithm algorithm) {
    return std::make_unique<TOpenSslDigest>(algorithm);
}

} // namespace quill
