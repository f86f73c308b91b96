#include "mrsets.h"

#include <cctype>
#include <set>

#include "names.h"
#include "savkit/spssio.h"

namespace savkit::io {

namespace {

class Line {
 public:
  explicit Line(std::string text) : text_(std::move(text)) {}
  bool AtEnd() const { return pos_ >= text_.size(); }
  // A decimal number followed by one blank.
  bool Number(long& n) {
    const std::size_t start = pos_;
    while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    if (start == pos_ || pos_ - start > 9 || pos_ >= text_.size() || text_[pos_] != ' ') return false;
    n = std::stol(text_.substr(start, pos_ - start));
    ++pos_;
    return true;
  }
  // n bytes; the blank that follows them, if any, is consumed too.
  bool Take(long n, std::string& out) {
    if (n < 0 || text_.size() - pos_ < static_cast<std::size_t>(n)) return false;
    out = text_.substr(pos_, static_cast<std::size_t>(n));
    pos_ += static_cast<std::size_t>(n);
    if (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
    return true;
  }
  std::string Rest() const { return pos_ < text_.size() ? text_.substr(pos_) : std::string(); }

 private:
  std::string text_;
  std::size_t pos_ = 0;
};

int FindVariable(const Dictionary& dict, const std::string& name) {
  const std::string key = LowerAscii(name);
  for (std::size_t i = 0; i < dict.variables.size(); ++i)
    if (LowerAscii(dict.variables[i].name) == key) return static_cast<int>(i);
  return -1;
}

int ParseLine(const std::string& text, const Dictionary& dict, MrSet& set) {
  const std::size_t eq = text.find('=');
  if (eq == std::string::npos || eq + 1 >= text.size()) return SPSS_INVALID_MRSETDEF;
  set.name = text.substr(0, eq);
  if (set.name.size() < 2 || set.name[0] != '$' || set.name.find(' ') != std::string::npos)
    return SPSS_INVALID_MRSETNAME;
  set.kind = text[eq + 1];
  long n;
  std::string body;
  if (set.kind == 'D') {
    // "D<length> <value> ": the length stands right after the letter.
    Line counted(text.substr(eq + 2));
    if (!counted.Number(n) || !counted.Take(n, set.value)) return SPSS_INVALID_MRSETDEF;
    body = counted.Rest();
  } else if (set.kind == 'C') {
    if (text.size() <= eq + 2 || text[eq + 2] != ' ') return SPSS_INVALID_MRSETDEF;
    body = text.substr(eq + 3);
  } else {
    return SPSS_INVALID_MRSETDEF;
  }
  Line line(body);
  if (!line.Number(n) || !line.Take(n, set.label)) return SPSS_INVALID_MRSETDEF;
  std::string rest = line.Rest();
  std::size_t pos = 0;
  bool first = true;
  while (pos <= rest.size()) {
    std::size_t sp = rest.find(' ', pos);
    if (sp == std::string::npos) sp = rest.size();
    const std::string word = rest.substr(pos, sp - pos);
    pos = sp + 1;
    if (word.empty()) continue;
    // A dichotomy set may carry, before its members, the word saying that
    // counted values label the categories (1, or 11 with variable labels).
    if (first && set.kind == 'D' && (word == "1" || word == "11")) {
      set.kind = 'E';
      set.labelSource = word;
      first = false;
      continue;
    }
    first = false;
    const int index = FindVariable(dict, word);
    if (index < 0) return SPSS_INVALID_MRSETDEF;
    set.members.push_back(index);
  }
  return SPSS_OK;
}

}  // namespace

int ParseMrSets(const std::string& text, const Dictionary& dict, std::vector<MrSet>& sets) {
  std::vector<MrSet> parsed;
  std::set<std::string> names;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t eol = text.find('\n', pos);
    if (eol == std::string::npos) eol = text.size();
    std::string line = text.substr(pos, eol - pos);
    pos = eol + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    MrSet set;
    if (const int status = ParseLine(line, dict, set)) return status;
    if (!names.insert(LowerAscii(set.name)).second) return SPSS_DUP_MRSETNAME;
    parsed.push_back(std::move(set));
  }
  sets = std::move(parsed);
  return SPSS_OK;
}

std::string MrRecordText(const std::vector<MrSet>& sets, const Dictionary& dict, bool newStyle) {
  std::string out;
  for (const MrSet& s : sets) {
    if ((s.kind == 'E') != newStyle) continue;
    out += s.name + "=";
    if (s.kind == 'C') {
      out += "C ";
    } else if (s.kind == 'D') {
      out += "D" + std::to_string(s.value.size()) + " " + s.value + " ";
    } else {
      out += "E " + s.labelSource + " " + std::to_string(s.value.size()) + " " + s.value + " ";
    }
    out += std::to_string(s.label.size()) + " " + s.label;
    for (int m : s.members) out += " " + LowerAscii(dict.variables[static_cast<std::size_t>(m)].shortName);
    out += "\n";
  }
  return out;
}

}  // namespace savkit::io
