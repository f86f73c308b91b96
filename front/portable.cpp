#include "savkit/front/portable.h"

#include <algorithm>
#include <cctype>

namespace savkit::front {

namespace {

constexpr int kMaxWidth = 255;
constexpr std::size_t kMaxName = 8;
constexpr std::size_t kLabelRoom = 20;

bool PlainShortName(const std::string& name) {
  return !name.empty() && name.size() <= kMaxName && std::isalpha(static_cast<unsigned char>(name[0])) &&
         std::all_of(name.begin(), name.end(), [](char c) {
           return std::isalnum(static_cast<unsigned char>(c)) || c == '@' || c == '$' || c == '_' || c == '.';
         });
}

}  // namespace

bool IsPortablePath(const std::string& path) {
  if (path.size() < 4) return false;
  std::string ext = path.substr(path.size() - 4);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext == ".por";
}

PortableFit FitPortable(const FileFacts& facts) {
  PortableFit fit;
  bool display = false;
  for (const VariableFacts& v : facts.variables) {
    if (v.width > kMaxWidth)
      fit.refused.push_back(v.name + " is a string of " + std::to_string(v.width) +
                            " bytes; a portable file holds strings of up to 255");
    if (!PlainShortName(v.name))
      fit.fitted.push_back(v.name + " is written by a short name (up to 8 capitals and digits)");
    if (!v.attributes.empty()) fit.fitted.push_back(v.name + ": its attributes are left out");
    if (v.label.size() > kMaxWidth) fit.fitted.push_back(v.name + ": its label is kept to its first 255 bytes");
    for (const auto& [value, label] : v.valueLabels)
      if (label.size() > kMaxWidth) fit.fitted.push_back(v.name + ": a value label is kept to its first 255 bytes");
    display = display || v.measure != tslUnknown || v.role;
  }
  if (!facts.attributes.empty()) fit.fitted.push_back("the file's attributes are left out");
  if (!facts.variableSets.empty()) fit.fitted.push_back("the variable sets are left out");
  if (!facts.mrSets.empty()) fit.fitted.push_back("the multiple-response sets are left out");
  if (display) fit.fitted.push_back("measure levels, roles, alignments and display widths are left out");
  if (facts.label.size() > kLabelRoom) fit.fitted.push_back("the file label is kept to its first 20 characters");
  return fit;
}

}  // namespace savkit::front
