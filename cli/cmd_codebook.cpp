// savkit codebook: the page describing a file, written whole or not at all.
#include "codebook.h"
#include "commands.h"
#include "common.h"
#include "savkit/front/output_file.h"
#include "progress.h"
#include "savkit/host/sysutils.h"

namespace savkit::cli {

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

}  // namespace savkit::cli
