// Runs a piece of a test in a child process with a few seconds and little
// address space to spare, so that a crash, a hang or a huge allocation fails
// the test instead of taking the suite down with it.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace savkit::testing {

#if defined(__SANITIZE_ADDRESS__)
#define SAVKIT_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SAVKIT_UNDER_ASAN 1
#endif
#endif

// Leaves the process `spare` bytes of address space beyond what it uses now.
inline void LimitAddressSpace(rlim_t spare) {
  std::ifstream statm("/proc/self/statm");
  unsigned long pages = 0;
  statm >> pages;
  const rlim_t room = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + spare;
  const rlimit limit{room, room};
  ::setrlimit(RLIMIT_AS, &limit);
}

inline void LimitChild() {
  ::alarm(20);
#ifndef SAVKIT_UNDER_ASAN  // the sanitizer reserves terabytes of address space up front
  LimitAddressSpace(256u << 20);
#endif
}

#define SAVKIT_EXPECT_BOUNDED(statement) \
  EXPECT_EXIT(                           \
      {                                  \
        ::savkit::testing::LimitChild(); \
        statement;                       \
        std::_Exit(0);                   \
      },                                 \
      ::testing::ExitedWithCode(0), "")

}  // namespace savkit::testing
