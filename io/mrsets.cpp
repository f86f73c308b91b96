#include "mrsets.h"

#include <cctype>
#include <set>

#include "io/names.h"
#include "savkit/spssio.h"

namespace savkit::io {

bool MrTokens::Number(long& n) {
  while (Peek(' ')) ++pos_;
  const std::size_t start = pos_;
  while (!AtEnd() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  if (start == pos_ || pos_ - start > 9) return false;
  n = std::stol(std::string(text_.substr(start, pos_ - start)));
  return true;
}

bool MrTokens::Counted(std::string& out) {
  long n;
  if (!Number(n) || Next() != ' ' || text_.size() - pos_ < static_cast<std::size_t>(n)) return false;
  out = std::string(text_.substr(pos_, static_cast<std::size_t>(n)));
  pos_ += static_cast<std::size_t>(n);
  return true;
}

std::vector<std::string> MrTokens::Words() {
  std::vector<std::string> words;
  while (!AtEnd()) {
    while (Peek(' ') || Peek('\r')) ++pos_;
    const std::size_t start = pos_;
    while (!AtEnd() && text_[pos_] != ' ' && text_[pos_] != '\r') ++pos_;
    if (pos_ > start) words.emplace_back(text_.substr(start, pos_ - start));
  }
  return words;
}

namespace {

int FindVariable(const Dictionary& dict, const std::string& name) {
  const std::string key = FoldName(name);
  for (std::size_t i = 0; i < dict.variables.size(); ++i)
    if (FoldName(dict.variables[i].name) == key) return static_cast<int>(i);
  return -1;
}

int ParseMembers(const std::vector<std::string>& words, const Dictionary& dict, MrSet& set) {
  for (std::size_t w = 0; w < words.size(); ++w) {
    // A dichotomy set may carry, before its members, the word saying that
    // counted values label the categories (1, or 11 with variable labels).
    if (w == 0 && set.kind == 'D' && (words[w] == "1" || words[w] == "11")) {
      set.kind = 'E';
      set.labelSource = words[w];
      continue;
    }
    const int index = FindVariable(dict, words[w]);
    if (index < 0) return SPSS_INVALID_MRSETDEF;
    set.members.push_back(index);
  }
  // A set groups two variables or more, all numbers or all strings.
  if (set.members.size() < 2) return SPSS_INVALID_MRSETDEF;
  const bool numeric = dict.variables[static_cast<std::size_t>(set.members[0])].IsNumeric();
  for (int m : set.members)
    if (dict.variables[static_cast<std::size_t>(m)].IsNumeric() != numeric) return SPSS_INVALID_MRSETDEF;
  return SPSS_OK;
}

int ParseLine(const std::string& text, const Dictionary& dict, MrSet& set) {
  const std::size_t eq = text.find('=');
  if (eq == std::string::npos || eq + 1 >= text.size()) return SPSS_INVALID_MRSETDEF;
  set.name = text.substr(0, eq);
  if (set.name.size() < 2 || set.name[0] != '$' || set.name.find(' ') != std::string::npos)
    return SPSS_INVALID_MRSETNAME;
  MrTokens t(std::string_view(text).substr(eq + 1));
  set.kind = t.Next();
  if (set.kind == 'D') {
    // "D<length> <value> ": the length stands right after the letter.
    if (t.Peek(' ') || !t.Counted(set.value)) return SPSS_INVALID_MRSETDEF;
  } else if (set.kind != 'C' || !t.Peek(' ')) {
    return SPSS_INVALID_MRSETDEF;
  }
  if (!t.Counted(set.label)) return SPSS_INVALID_MRSETDEF;
  return ParseMembers(t.Words(), dict, set);
}

}  // namespace

namespace {

// Calls line(text) for each non-empty line, without its CR LF or LF, until it
// returns a status other than SPSS_OK, which is then returned.
template <class Line>
int ForEachLine(const std::string& text, Line&& line) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t eol = text.find('\n', pos);
    if (eol == std::string::npos) eol = text.size();
    std::string one = text.substr(pos, eol - pos);
    pos = eol + 1;
    if (!one.empty() && one.back() == '\r') one.pop_back();
    if (one.empty()) continue;
    if (const int status = line(one)) return status;
  }
  return SPSS_OK;
}

}  // namespace

int ParseMrSets(const std::string& text, const Dictionary& dict, std::vector<MrSet>& sets) {
  std::vector<MrSet> parsed;
  std::set<std::string> names;
  const int status = ForEachLine(text, [&](const std::string& line) {
    MrSet set;
    if (const int s = ParseLine(line, dict, set)) return s;
    if (!names.insert(FoldName(set.name)).second) return SPSS_DUP_MRSETNAME;
    parsed.push_back(std::move(set));
    return SPSS_OK;
  });
  if (status == SPSS_OK) sets = std::move(parsed);
  return status;
}

std::string ValidMrLines(const std::string& text, const Dictionary& dict) {
  std::string kept;
  std::set<std::string> names;
  ForEachLine(text, [&](const std::string& line) {
    MrSet set;
    if (ParseLine(line, dict, set) == SPSS_OK && names.insert(FoldName(set.name)).second) kept += line + "\n";
    return SPSS_OK;
  });
  return kept;
}

std::string MrRecordText(const std::vector<MrSet>& sets, const Dictionary& dict, bool newStyle,
                         const std::function<std::string(std::string_view)>& encode) {
  std::string out;
  for (const MrSet& s : sets) {
    if ((s.kind == 'E') != newStyle) continue;
    const std::string value = encode(s.value), label = encode(s.label);
    out += encode(s.name) + "=";
    if (s.kind == 'C') {
      out += "C ";
    } else if (s.kind == 'D') {
      out += "D" + std::to_string(value.size()) + " " + value + " ";
    } else {
      out += "E " + s.labelSource + " " + std::to_string(value.size()) + " " + value + " ";
    }
    out += std::to_string(label.size()) + " " + label;
    for (int m : s.members) out += " " + encode(LowerAscii(dict.variables[static_cast<std::size_t>(m)].shortName));
    out += "\n";
  }
  return out;
}

namespace {

// One set of a record: "$name=" then C, D or E and its fields, up to the line end.
bool MrLineFromRecord(std::string_view line, bool newStyle, const std::function<std::string(std::string_view)>& toUtf8,
                      const std::function<std::string(const std::string&)>& memberName, std::string& out) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  MrTokens t(line.substr(eq + 1));
  const char type = t.Next();
  std::string value, label, flag;
  if (type == 'D') {
    if (!t.Counted(value)) return false;
  } else if (type == 'E' && newStyle) {
    long f = 0;
    if (!t.Number(f) || !t.Counted(value)) return false;
    flag = std::to_string(f);
  } else if (type != 'C') {
    return false;
  }
  if (!t.Counted(label)) return false;
  out = toUtf8(line.substr(0, eq)) + "=";
  if (type == 'C') {
    out += "C ";
  } else {
    std::string v = toUtf8(value);
    while (!v.empty() && v.back() == ' ') v.pop_back();
    while (!v.empty() && v.front() == ' ') v.erase(0, 1);
    out += "D" + std::to_string(v.size()) + " " + v + " ";
  }
  const std::string l = toUtf8(label);
  out += std::to_string(l.size()) + " " + l;
  if (!flag.empty()) out += " " + flag;  // counted values label the categories
  for (const std::string& word : t.Words()) out += " " + memberName(toUtf8(word));
  out += "\n";
  return true;
}

}  // namespace

std::string MrLinesFromRecord(std::string_view record, bool newStyle,
                              const std::function<std::string(std::string_view)>& toUtf8,
                              const std::function<std::string(const std::string&)>& memberName) {
  std::string lines, line;
  std::size_t pos = 0;
  while (pos < record.size()) {
    std::size_t eol = record.find('\n', pos);
    if (eol == std::string_view::npos) eol = record.size();
    if (MrLineFromRecord(record.substr(pos, eol - pos), newStyle, toUtf8, memberName, line)) lines += line;
    pos = eol + 1;
  }
  return lines;
}

}  // namespace savkit::io
