// Reads all a file holds, the way an application would: through the I/O
// library, and through the data file component. Shared by the fuzz targets
// and by the test that replays the inputs they once failed on.
#pragma once

#include <string>

namespace savkit::fuzzing {

// Every dictionary entry and every case through the C API. Errors are
// statuses; the function only returns.
void ReadThroughLibrary(const char* path);

// Copies the file with spssOpenWriteCopy and every case to target, in the
// given compression (-1: the source's); the first failing status, or the
// opening's warning.
int CopyThroughLibrary(const char* path, const char* target, int compression);

// Opens the file with a component and reads the dictionary, the sets, every
// value and the XML. The component's own exceptions are the expected way to
// refuse a file; anything else escapes.
void ReadThroughComponent(const std::string& path);

}  // namespace savkit::fuzzing
