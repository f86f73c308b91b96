// Prints the benchmark file's path, writing the file first where it is not
// yet: for the tests and scripts that need a million cases.
#include <cstdio>

#include "bench_file.h"

int main() { std::puts(savkit::bench::BenchFile().c_str()); }
