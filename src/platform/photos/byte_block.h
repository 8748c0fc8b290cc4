// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A block of bytes in memory: a file read whole, a file mapped whole, or bytes made in memory. A
// file is read into pages mapped and filled for it by one call, where a string grown to the file's
// size would first zero every page and then take a fault on each.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace posteri {

class ByteBlock {
  public:
    explicit ByteBlock(std::string bytes) : made_(std::move(bytes)) {}
    ~ByteBlock();
    ByteBlock(const ByteBlock&) = delete;
    ByteBlock& operator=(const ByteBlock&) = delete;

    // The whole file behind `fd`, read from its start; nullptr when it is empty or cannot be read.
    static std::unique_ptr<ByteBlock> read_file(int fd);
    // The whole file behind `fd` (open for reading only) mapped in place, without a copy, while a
    // read lease keeps every other program from opening it for writing or truncating it: a mapped
    // file cut short would end the process at its next read. Such a program waits until the block
    // is gone. nullptr when no lease is granted (a file of another user, a network file system, a
    // file open for writing) or it cannot be mapped.
    static std::unique_ptr<ByteBlock> map_leased_file(int fd);

    std::string_view view() const {
        return mapping_ != nullptr ? std::string_view(static_cast<const char*>(mapping_), size_) : made_;
    }

  private:
    ByteBlock(void* mapping, std::size_t mapped, std::size_t size, int leased = -1)
        : mapping_(mapping), mapped_(mapped), size_(size), leased_(leased) {}

    std::string made_;
    void* mapping_ = nullptr;
    std::size_t mapped_ = 0;
    std::size_t size_ = 0;
    int leased_ = -1;  // the descriptor holding the lease; closing it ends the lease
};

}  // namespace posteri
