// A file a front end writes (CSV, HTML) that takes its name only when complete: until
// Commit it has no name (or a scratch one), and dropping it leaves whatever
// was under the name before byte for byte as it was.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace savkit::io {
class PendingFile;
}

namespace savkit::front {

class OutputFile {
 public:
  // Fails (FileError) naming path when nothing can be created beside it.
  explicit OutputFile(const std::string& path);
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();  // uncommitted: nothing is left

  void Write(std::string_view bytes);
  // Puts the complete file under its name (a replaced file keeps its mode).
  void Commit();

 private:
  void Flush();

  std::string path_;
  std::unique_ptr<io::PendingFile> file_;
  std::vector<char> buffer_;
  long long written_ = 0;
};

}  // namespace savkit::front
