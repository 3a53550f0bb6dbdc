#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace auxpad {

// SHA-256 of a stream of bytes given a piece at a time, by OpenSSL.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void add(const char* bytes, std::size_t count);
    // The 64 lower-case hex digits of everything added; the hash starts afresh after.
    std::string hex();

private:
    struct Context;
    std::unique_ptr<Context> context_;
};

} // namespace auxpad
