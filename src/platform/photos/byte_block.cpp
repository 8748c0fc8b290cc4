// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/photos/byte_block.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace posteri {

ByteBlock::~ByteBlock() {
    if (mapping_ != nullptr) munmap(mapping_, mapped_);
    if (leased_ >= 0) close(leased_);
}

std::unique_ptr<ByteBlock> ByteBlock::map_leased_file(int fd) {
    // A descriptor of its own shares the open file, so the lease outlives the caller's descriptor.
    const int leased = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (leased < 0) return nullptr;
    struct stat facts {};
    // The size is taken once the lease holds, so it cannot change afterwards. Taking a lease makes
    // this process the one told (SIGIO, which would end it) when a writer asks for the file; with
    // no one to tell, the writer simply waits for the lease to end.
    if (fcntl(leased, F_SETLEASE, F_RDLCK) != 0 || fcntl(leased, F_SETOWN, 0) != 0 || fstat(leased, &facts) != 0 ||
        facts.st_size <= 0) {
        close(leased);
        return nullptr;
    }
    const auto size = static_cast<std::size_t>(facts.st_size);
    void* mapping = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, leased, 0);
    if (mapping == MAP_FAILED) {
        close(leased);
        return nullptr;
    }
    return std::unique_ptr<ByteBlock>(new ByteBlock(mapping, size, size, leased));
}

std::unique_ptr<ByteBlock> ByteBlock::read_file(int fd) {
    struct stat facts {};
    if (fstat(fd, &facts) != 0 || facts.st_size <= 0) return nullptr;
    const auto mapped = static_cast<std::size_t>(facts.st_size);
    void* mapping = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (mapping == MAP_FAILED) return nullptr;
    std::unique_ptr<ByteBlock> block(new ByteBlock(mapping, mapped, 0));
    // A file that shrinks while it is read gives what it still holds; one that grows, its first bytes.
    auto* into = static_cast<char*>(mapping);
    while (block->size_ < mapped) {
        const ssize_t got = pread(fd, into + block->size_, mapped - block->size_, static_cast<off_t>(block->size_));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return nullptr;
        if (got == 0) break;
        block->size_ += static_cast<std::size_t>(got);
    }
    if (block->size_ == 0) return nullptr;
    mprotect(mapping, mapped, PROT_READ);
    return block;
}

}  // namespace posteri
