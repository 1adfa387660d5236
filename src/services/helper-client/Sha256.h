#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace brisel {

// SHA-256 (FIPS 180-4), fed in pieces. Used to pin the helper executable that the install script
// copies to the one the application checked.
class Sha256 {
public:
    using Digest = std::array<std::uint8_t, 32>;

    Sha256();

    void update(const void* data, std::size_t size);
    void update(std::string_view bytes) { update(bytes.data(), bytes.size()); }
    // The digest of everything fed so far; the object is spent afterwards.
    Digest finish();

    // 64 lower-case hexadecimal digits, two per byte, no separators.
    static std::string hex(const Digest& digest);
    static std::string hexDigest(std::string_view bytes);
    // The hex digest of a file's whole content; nothing when it cannot be opened or read.
    static std::optional<std::string> hexDigestOfFile(const std::filesystem::path& path);

private:
    void compress(const std::uint8_t* block);

    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> buffer_{};
    std::size_t buffered_ = 0;
    std::uint64_t length_ = 0; // bytes fed
};

} // namespace brisel
