// savkit codebook: the page describing a file, written whole or not at all.
#include <memory>

#include "codebook.h"
#include "commands.h"
#include "common.h"
#include "savkit/front/output_file.h"
#include "progress.h"
#include "savkit/host/sysutils.h"

namespace savkit::cli {

struct CodebookOptions {
  std::string file, out;
  bool quiet = false;
};

// An HTML page of the file's dictionary and the distribution of every variable.

int RunCodebook(const CodebookOptions& o) {
  RefuseInputAsOutput(o.file, o.out);
  TSPSSDatafile d;
  OpenForReading(d, o.file);
  Progress progress("codebook", d.Cases()->Count(), !o.quiet && StderrIsTerminal());
  const codebook::Summary summary =
      AboutFile(o.file, [&] { return codebook::Summarize(d, [&](std::int64_t done) { progress.Advance(done); }); });
  const std::string page = codebook::Html(d, summary, ExtractFileName(o.file));
  return AboutFile(o.out, [&] {
    front::OutputFile out(o.out);
    out.Write(page);
    out.Commit();
    return 0;
  });
}

Command AddCodebook(CommandLine& line) {
  auto o = std::make_shared<CodebookOptions>();
  Options options = line.Add("codebook", "The dictionary and every variable's distribution as one HTML page");
  options.Password();
  options.Argument("FILE", o->file, "The system file").Output(o->out, "The HTML file to write", true).Quiet(o->quiet);
  return {options, [o] { return RunCodebook(*o); }, [o] { return o->file; }};
}

}  // namespace savkit::cli
