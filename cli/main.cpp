// savkit: read, describe, export, import, edit and convert SPSS system files.
#include <CLI/CLI.hpp>

#include <iostream>
#include <map>

#include "commands.h"
#include "common.h"
#include "savkit/config.h"
#include "savkit/host/exceptions.h"

using namespace savkit::cli;

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  CLI::App app{"savkit: read, edit, create and write SPSS system files (.sav, .zsav)", "savkit"};
  app.set_version_flag("--version", "savkit " SAVKIT_VERSION);
  app.require_subcommand(1);

  InfoOptions info;
  auto* infoCmd = app.add_subcommand("info", "File facts, variables and sets");
  infoCmd->add_option("FILE", info.file, "The system file")->required();
  infoCmd->add_flag("--json", info.json, "Machine-readable output");
  bool quietAnyway = false;  // the commands that show no progress take --quiet all the same
  infoCmd->add_flag("-q,--quiet", quietAnyway, "No progress bar (none is shown)");

  std::string xmlFile;
  auto* xmlCmd = app.add_subcommand("xml", "The XML description of the dictionary");
  xmlCmd->add_option("FILE", xmlFile, "The system file")->required();
  xmlCmd->add_flag("-q,--quiet", quietAnyway, "No progress bar (none is shown)");

  ExportOptions exp;
  auto* exportCmd = app.add_subcommand("export", "Cases as CSV (RFC 4180) with a header row");
  exportCmd->add_option("FILE", exp.file, "The system file")->required();
  exportCmd->add_option("-o,--output", exp.out, "Where to write the CSV (default: standard output)");
  exportCmd->add_flag("--labels", exp.labels, "Value labels instead of codes");
  exportCmd->add_option("--cases", exp.cases, "Cases A:B (1-based, inclusive)");
  exportCmd->add_option("--vars", exp.vars, "Variables to export, in this order")->delimiter(',');
  exportCmd->add_flag("-q,--quiet", exp.quiet, "No progress bar");

  ImportOptions imp;
  auto* importCmd = app.add_subcommand("import", "A CSV file with a header row into a new system file");
  importCmd->add_option("IN", imp.in, "The CSV file")->required();
  importCmd->add_option("-o,--output", imp.out, "The system file to write")->required();
  importCmd->add_option("--compression", imp.compression, "none, bytecode or zlib")->check(
      CLI::IsMember({"none", "bytecode", "zlib"}));
  importCmd->add_flag("-q,--quiet", imp.quiet, "No progress bar");
  importCmd->add_option("--encoding", imp.encoding, "The CSV's character set, as iconv names it (default UTF-8)");

  EditOptions edit;
  auto* editCmd = app.add_subcommand("edit", "Change values and the dictionary, then save");
  editCmd->add_option("FILE", edit.file, "The system file")->required();
  editCmd->add_option("-o,--output", edit.out, "Save under this name (default: the file itself)");
  editCmd->add_flag("-q,--quiet", quietAnyway, "No progress bar (none is shown)");
  std::vector<std::string> unused;
  const char* const steps[] = {"set", "delete-case", "add-var", "delete-var", "var-label", "value-label", "file-label"};
  const char* const help[] = {"CASE:VAR=VALUE", "N", "NAME:num or NAME:A<width>", "NAME", "VAR=TEXT",
                              "VAR:VALUE=TEXT", "TEXT"};
  for (int i = 0; i < 7; ++i)
    editCmd->add_option(std::string("--") + steps[i], unused, help[i])->type_size(1)->expected(1)->multi_option_policy(
        CLI::MultiOptionPolicy::TakeAll);

  ConvertOptions conv;
  auto* convertCmd = app.add_subcommand("convert", "Rewrite a file with another compression");
  convertCmd->add_option("IN", conv.in, "The system file")->required();
  convertCmd->add_option("OUT", conv.out, "The file to write")->required();
  convertCmd->add_option("--compression", conv.compression, "none, bytecode or zlib (default: the input's)")
      ->check(CLI::IsMember({"none", "bytecode", "zlib"}));
  convertCmd->add_flag("-q,--quiet", conv.quiet, "No progress bar");

  std::string verifyFile;
  bool verifyQuiet = false;
  auto* verifyCmd = app.add_subcommand("verify", "Read every case; report the first problem");
  verifyCmd->add_option("FILE", verifyFile, "The system file")->required();
  verifyCmd->add_flag("-q,--quiet", verifyQuiet, "No progress bar");

  DiffOptions diff;
  auto* diffCmd = app.add_subcommand("diff", "What differs between two files: dictionary and values (exit 1 when any)");
  diffCmd->add_option("A", diff.a, "The first file")->required();
  diffCmd->add_option("B", diff.b, "The second file")->required();
  diffCmd->add_option("--key", diff.key, "Match cases by this variable's values instead of by position");
  diffCmd->add_option("--limit", diff.limit, "Differing values and unmatched cases listed (0: all)")
      // -1 would wrap round to a count past any file's.
      ->check(CLI::Validator([](std::string& s) { return s.find('-') == std::string::npos ? "" : "must be 0 or more"; }, ""))
      ->capture_default_str();
  diffCmd->add_flag("--json", diff.json, "Machine-readable output");
  diffCmd->add_flag("-q,--quiet", diff.quiet, "No progress bar");

  CodebookOptions book;
  auto* codebookCmd = app.add_subcommand("codebook", "The dictionary and every variable's distribution as one HTML page");
  codebookCmd->add_option("FILE", book.file, "The system file")->required();
  codebookCmd->add_option("-o,--output", book.out, "The HTML file to write")->required();
  codebookCmd->add_flag("-q,--quiet", book.quiet, "No progress bar");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? 0 : 2;
  }
  // diff says "different" with 1, so its failures take 2, as usage errors do.
  const int failed = *diffCmd ? 2 : 1;

  std::string current;
  try {
    // An output named "" is a mistake, never standard output or the input.
    for (CLI::App* cmd : {exportCmd, importCmd, editCmd, codebookCmd})
      if (*cmd && cmd->count("--output") && cmd->get_option("--output")->as<std::string>().empty())
        throw UsageError("-o: the output needs a name");
    if (*convertCmd && conv.out.empty()) throw UsageError("OUT: the output needs a name");
    if (*infoCmd) return current = info.file, RunInfo(info);
    if (*xmlCmd) return current = xmlFile, RunXml(xmlFile);
    if (*exportCmd) return current = exp.file, RunExport(exp);
    if (*importCmd) return current = imp.in, RunImport(imp);
    if (*convertCmd) return current = conv.in, RunConvert(conv);
    if (*verifyCmd) return current = verifyFile, RunVerify(verifyFile, verifyQuiet);
    if (*diffCmd) return current = diff.a, RunDiff(diff);
    if (*codebookCmd) return current = book.file, RunCodebook(book);
    if (*editCmd) {
      current = edit.file;
      // The edits in the order they were given on the command line.
      std::map<const CLI::Option*, std::size_t> taken;
      for (const CLI::Option* opt : editCmd->parse_order()) {
        const std::string name = opt->get_name(false, true).substr(2);
        edit.steps.emplace_back(name, opt->results()[taken[opt]++]);
      }
      return RunEdit(edit);
    }
  } catch (const UsageError& e) {
    std::cerr << "savkit: " << e.what() << "\n";
    return 2;
  } catch (const Failure& e) {
    std::cerr << "savkit: " << e.what() << "\n";
    return failed;
  } catch (const savkit::front::FileError& e) {  // names its file
    std::cerr << "savkit: " << e.what() << "\n";
    return failed;
  } catch (const std::exception& e) {
    std::cerr << "savkit: " << current << ": " << e.what() << "\n";
    return failed;
  }
  return 0;
}
