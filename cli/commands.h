// The subcommands of savkit. Each returns the exit code; failures are thrown
// (Failure or the component's exceptions) and reported by main.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace savkit::cli {

struct InfoOptions {
  std::string file;
  bool json = false;
};
int RunInfo(const InfoOptions& o);
int RunXml(const std::string& file);

struct ExportOptions {
  std::string file, out, cases;
  std::vector<std::string> vars;
  bool labels = false, quiet = false;
};
int RunExport(const ExportOptions& o);

struct ImportOptions {
  std::string in, out, compression = "bytecode", encoding;
  bool quiet = false;
};
int RunImport(const ImportOptions& o);

struct EditOptions {
  std::string file, out;
  std::vector<std::pair<std::string, std::string>> steps;  // option name and its value, in order
};
int RunEdit(const EditOptions& o);

struct ConvertOptions {
  std::string in, out, compression;  // empty: the input's
  bool quiet = false;
};
int RunConvert(const ConvertOptions& o);
int RunVerify(const std::string& file, bool quiet);

struct DiffOptions {
  std::string a, b, key;
  std::size_t limit = 100;
  bool json = false, quiet = false;
};
// 0 when the files hold the same, 1 when they differ.
int RunDiff(const DiffOptions& o);

struct CodebookOptions {
  std::string file, out;
  bool quiet = false;
};
// An HTML page of the file's dictionary and the distribution of every variable.
int RunCodebook(const CodebookOptions& o);

// 0, 1 or 2 for "none", "bytecode" or "zlib".
int CompressionCode(const std::string& name);

}  // namespace savkit::cli
