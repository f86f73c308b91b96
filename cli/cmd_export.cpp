// savkit export: cases as CSV.
#include <charconv>
#include <memory>
#include <iostream>

#include "commands.h"
#include "common.h"
#include "savkit/front/output_file.h"
#include "progress.h"

namespace savkit::cli {

struct ExportOptions {
  std::string file, out, cases;
  std::vector<std::string> vars;
  bool labels = false, quiet = false;
};

int RunExport(const ExportOptions& o) {
  TSPSSDatafile d;
  OpenForReading(d, o.file);
  std::vector<TSPSSVariable*> vars;
  if (o.vars.empty()) {
    for (int i = 0; i < d.Variables()->Count(); ++i) vars.push_back(d.Variables()->GetItem(i));
  } else {
    for (const std::string& name : o.vars) {
      TSPSSVariable* v = d.Variables()->Find(name);
      if (!v) throw Failure(o.file + ": no variable named " + name);
      vars.push_back(v);
    }
  }
  int first, last;
  ParseRange(o.cases, d.Cases()->Count(), first, last);

  // A file takes its name only when complete; standard output gets the rows as they come.
  std::unique_ptr<front::OutputFile> file;
  if (!o.out.empty()) {
    RefuseInputAsOutput(o.file, o.out);
    file = std::make_unique<front::OutputFile>(o.out);
  }
  const auto emit = [&](const std::string& text) {
    if (file)
      file->Write(text);
    else
      std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
  };
  std::string line;
  for (std::size_t i = 0; i < vars.size(); ++i) line += (i ? "," : "") + CsvField(vars[i]->Name());
  emit(line + "\r\n");
  Progress progress("export", last - first + 1, !o.quiet && StderrIsTerminal());
  const double sysmis = d.SysmisValue();
  // Plain numbers, the bulk of most files, go straight into the line.
  std::vector<char> plain(vars.size());
  std::vector<int> index(vars.size());
  for (std::size_t i = 0; i < vars.size(); ++i) {
    const int type = vars[i]->PrintType();
    plain[i] = vars[i]->IsNumeric() && !IsDateFormat(type) && !IsDateTimeFormat(type) && !IsTimeFormat(type) &&
               !(o.labels && vars[i]->ValueLabels()->Count() > 0);
    index[i] = vars[i]->Index();
  }
  for (int c = first; c <= last; ++c) {
    TSPSSCase* k = d.Cases()->Get_Case(c);
    line.clear();
    for (std::size_t i = 0; i < vars.size(); ++i) {
      if (i) line += ',';
      if (plain[i]) {
        const double number = k->GetNumber(index[i]);
        if (number == sysmis) continue;
        char buf[32];
        line.append(buf, std::to_chars(buf, buf + sizeof buf, number).ptr);
        continue;
      }
      const Variant value = k->GetValue(index[i]);
      const TSPSSValueLabel* label =
          o.labels ? vars[i]->ValueLabels()->FindByValue(vars[i]->IsNumeric() ? value : Variant(value.ToString()))
                   : nullptr;
      line += CsvField(label ? label->Label() : ValueText(*vars[i], value, sysmis));
    }
    line += "\r\n";
    emit(line);
    progress.Advance(c - first + 1);
  }
  if (file) {
    file->Commit();
    return 0;
  }
  std::cout.flush();
  if (!std::cout) throw Failure("standard output: write failed");
  return 0;
}

Command AddExport(CommandLine& line) {
  auto o = std::make_shared<ExportOptions>();
  Options options = line.Add("export", "Cases as CSV (RFC 4180) with a header row");
  options.Password();
  options.Argument("FILE", o->file, "The system file")
      .Output(o->out, "Where to write the CSV (default: standard output)", false)
      .Flag("--labels", o->labels, "Value labels instead of codes")
      .Text("--cases", o->cases, "Cases A:B (1-based, inclusive)")
      .List("--vars", o->vars, "Variables to export, in this order")
      .Quiet(o->quiet);
  return {options, [o] { return RunExport(*o); }, [o] { return o->file; }};
}

}  // namespace savkit::cli
