// The operations that change files on disk, in one place, so that a test can
// make any one of them fail and check what the failure leaves behind.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace savkit::io {

// Writes all n bytes at offset, or returns false with errno set.
bool WriteAll(int fd, const void* data, std::size_t n, off_t offset);
// Each behaves as the system call of its name; a failure sets errno.
int Flush(int fd);  // to disk
int Truncate(int fd, off_t length);
int Rename(const char* from, const char* to);
// The mode a new file gets: 0666 less the process's umask.
mode_t NewFileMode();
// Gives the unnamed file open as fd the name `to` (linkat through /proc).
int Link(int fd, const char* to);

namespace faults {
// Test-only: from now on, the n-th (1-based) write, flush, truncation, link or
// rename fails with EIO, and only that one; 0 lets every operation succeed.
void FailNth(long n);
// The operations seen since the last FailNth.
long Seen();
}  // namespace faults

}  // namespace savkit::io
