#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace quill {

enum class TDigestAlgorithm { MD5, SHA1 };

constexpr std::size_t kMaxDigestLength = 20;

// Raised by a digest engine that cannot be created or cannot compute.
class EDigestError : public std::runtime_error {
public:
    explicit EDigestError(const std::string& what) : std::runtime_error(what) {}
};

// A digest from a well-kept implementation: the platform's cryptography in the
// Windows build, libcrypto in the native one. Each build links exactly one
// definition of CreateDigestEngine.
class IDigestEngine {
public:
    virtual ~IDigestEngine() = default;
    virtual std::size_t Length() const noexcept = 0; // 16 for MD5, 20 for SHA-1
    virtual void Start() = 0;
    virtual void Update(const std::uint8_t* data, std::size_t size) = 0;
    // Writes Length() bytes.
    virtual void Finish(std::uint8_t* digest) = 0;
};

// Raises EDigestError when the algorithm is not available.
std::unique_ptr<IDigestEngine> CreateDigestEngine(TDigestAlgorithm algorithm);

} // namespace quill
