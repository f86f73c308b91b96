// savkit edit: changes applied in the order given, then saved.
#include <map>
#include <memory>

#include <iostream>

#include "commands.h"
#include "common.h"
#include "savkit/front/display.h"
#include "savkit/host/sysutils.h"

namespace savkit::cli {

namespace {

// "left<sep>right", failing with the option's name when sep is missing.
std::pair<std::string, std::string> Split(const std::string& option, const std::string& text, char sep) {
  const std::size_t at = text.find(sep);
  if (at == std::string::npos) throw Failure("--" + option + " " + text + ": expected '" + std::string(1, sep) + "'");
  return {text.substr(0, at), text.substr(at + 1)};
}

TSPSSVariable* Need(TSPSSDatafile& d, const std::string& name) {
  TSPSSVariable* v = d.Variables()->Find(name);
  if (!v) throw Failure("no variable named " + name);
  return v;
}

int CaseNumber(const std::string& option, const std::string& text) {
  std::int32_t n;
  if (!TryStrToInt(text, n)) throw Failure("--" + option + " " + text + ": not a case number");
  return n;
}

// A value for a variable, as the front library reads what people type.
Variant ValueFor(const TSPSSVariable& v, const std::string& text) {
  try {
    return front::ParseValue(v, text, front::Sysmis());
  } catch (const std::invalid_argument& e) {
    throw Failure(e.what());
  }
}

}  // namespace

struct EditOptions {
  std::string file, out;
  std::vector<std::pair<std::string, std::string>> steps;  // option name and its value, in order
  bool quiet = false;
};

int RunEdit(const EditOptions& o) {
  TSPSSDatafile d;
  OpenForReading(d, o.file);
  for (const auto& [option, arg] : o.steps) {
    if (option == "set") {
      const auto [where, value] = Split(option, arg, '=');
      const auto [caseText, name] = Split(option, where, ':');
      TSPSSVariable* v = Need(d, name);
      v->Set_Value(CaseNumber(option, caseText), ValueFor(*v, value));
    } else if (option == "delete-case") {
      d.Cases()->Delete(CaseNumber(option, arg));
    } else if (option == "add-var") {
      const auto [name, type] = Split(option, arg, ':');
      const bool numeric = type == "num" || type == "number" || type == "numeric";
      std::int32_t width = 8;
      if (!numeric &&
          (type.empty() || (type[0] != 'A' && type[0] != 'a') || !TryStrToInt(type.substr(1), width) || width < 1))
        throw Failure("--add-var " + arg + ": the type is num or A<width>, as in A20");
      TSPSSVariable* v = d.Variables()->Add("v" + std::to_string(d.Variables()->Count()), numeric, width);
      v->Set_Name(name);
    } else if (option == "delete-var") {
      d.Variables()->Delete(arg);
    } else if (option == "var-label") {
      const auto [name, text] = Split(option, arg, '=');
      Need(d, name)->Set_LabelText(text);
    } else if (option == "value-label") {
      const auto [where, text] = Split(option, arg, '=');
      const auto [name, value] = Split(option, where, ':');
      TSPSSVariable* v = Need(d, name);
      const Variant key = v->IsNumeric() ? ValueFor(*v, value) : Variant(value);
      if (TSPSSValueLabel* existing = v->ValueLabels()->FindByValue(key))
        existing->Set_Label(text);
      else
        v->ValueLabels()->Add(key, text);
    } else if (option == "file-label") {
      d.FileInfo()->Set_FileLabel(arg);
    }
  }
  AboutFile(o.out.empty() ? o.file : o.out, [&] {
    if (o.out.empty())
      d.Save();
    else
      d.SaveAs(ExpandFileName(o.out));
  });
  return 0;
}

Command AddEdit(CommandLine& line) {
  auto o = std::make_shared<EditOptions>();
  Options options = line.Add("edit", "Change values and the dictionary, then save");
  options.Password();
  options.Argument("FILE", o->file, "The system file")
      .Output(o->out, "Save under this name (default: the file itself)", false)
      .Quiet(o->quiet, false)
      .InOrder({{"set", "CASE:VAR=VALUE"},
                {"delete-case", "N"},
                {"add-var", "NAME:num or NAME:A<width>"},
                {"delete-var", "NAME"},
                {"var-label", "VAR=TEXT"},
                {"value-label", "VAR:VALUE=TEXT"},
                {"file-label", "TEXT"}},
               o->steps);
  return {options, [o] { return RunEdit(*o); }, [o] { return o->file; }};
}

}  // namespace savkit::cli
