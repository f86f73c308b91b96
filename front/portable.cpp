#include "savkit/front/portable.h"

#include "io/names.h"
#include "savkit/host/sysutils.h"

namespace savkit::front {

namespace {

constexpr std::size_t kMaxText = 255;
constexpr std::size_t kLabelRoom = 20;

}  // namespace

bool IsPortablePath(const std::string& path) { return SameText(ExtractFileExt(path), ".por"); }

std::vector<std::string> FitPortable(const FileFacts& facts) {
  std::vector<std::string> fit;
  bool display = false;
  for (const VariableFacts& v : facts.variables) {
    if (!io::PortableName(v.name)) fit.push_back(v.name + " is written by a short name (up to 8 capitals and digits)");
    if (!v.attributes.empty()) fit.push_back(v.name + ": its attributes are left out");
    if (v.label.size() > kMaxText) fit.push_back(v.name + ": its label is kept to its first 255 bytes");
    for (const auto& [value, label] : v.valueLabels)
      if (label.size() > kMaxText) fit.push_back(v.name + ": a value label is kept to its first 255 bytes");
    display = display || v.measure != tslUnknown || v.role;
  }
  if (!facts.attributes.empty()) fit.push_back("the file's attributes are left out");
  if (!facts.variableSets.empty()) fit.push_back("the variable sets are left out");
  if (!facts.mrSets.empty()) fit.push_back("the multiple-response sets are left out");
  if (display) fit.push_back("measure levels, roles, alignments and display widths are left out");
  if (facts.label.size() > kLabelRoom) fit.push_back("the file label is kept to its first 20 characters");
  return fit;
}

}  // namespace savkit::front
