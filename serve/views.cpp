// What the page shows of the file: read-only views, as JSON.
#include <algorithm>
#include <optional>
#include <stdexcept>

#include "savkit/front/display.h"
#include "savkit/front/facts.h"
#include "savkit/front/formats.h"
#include "savkit/front/values.h"
#include "savkit/host/sysutils.h"
#include "savkit/serve/session.h"
#include "savkit/trim.h"

namespace savkit::serve {

namespace {

enum Kind { kValid = 0, kUserMissing = 1, kSystemMissing = 2 };

// Shows one variable's values, with the facts that do not change from case to case.
struct Column {
  TSPSSVariable* v;
  front::MissingSpec missing;
  bool labelled;

  std::pair<std::string, int> Show(TSPSSCase& c, int index, double sysmis, bool labels, bool values,
                                   std::string& text) const {
    if (values && v->IsNumeric()) {
      const double x = c.GetNumber(index);
      return {front::EditText(*v, x, sysmis), x == sysmis ? kSystemMissing : Missing(x)};
    }
    if (!v->IsNumeric()) {
      c.GetText(index, text);
      const std::string_view t = trim::Blanks(text);
      if (labels && labelled)
        if (const TSPSSValueLabel* l = v->ValueLabels()->FindByValue(Variant(text))) return {l->Label(), Missing(t)};
      return {std::string(t), Missing(t)};
    }
    const double x = c.GetNumber(index);
    if (x == sysmis) return {".", kSystemMissing};
    const int kind = Missing(x);
    if (labels && labelled)
      if (const TSPSSValueLabel* l = v->ValueLabels()->FindByValue(Variant(x))) return {l->Label(), kind};
    return {front::DisplayNumber(*v, x, sysmis), kind};
  }
  int Missing(std::string_view t) const { return missing.Text(t) ? kUserMissing : kValid; }
  int Missing(double x) const { return missing.Number(x) ? kUserMissing : kValid; }
};

// The variables from..to-1, which a page shows.
std::vector<Column> Columns(const TSPSSDatafile& d, int from, int to) {
  std::vector<Column> out;
  for (int i = from; i < to; ++i) {
    TSPSSVariable* v = d.Variables()->GetItem(i);
    out.push_back({v, front::MissingSpec(*v), v->ValueLabels()->Count() > 0});
  }
  return out;
}

}  // namespace

Json Session::Info() {
  return {{"file", ExtractFileName(path_)},
          {"cases", d_->Cases()->Count()},
          {"variables", d_->Variables()->Count()},
          {"label", d_->FileInfo()->FileLabel()},
          {"edits", Edits()},
          {"readOnly", readOnly_}};
}

Json Session::Rows(int first, int count, bool labels, int column, int columns, bool values) {
  const int cases = d_->Cases()->Count();
  if (first < 1 || count < 0) throw Refusal(400, "rows start at case 1 and count from 0");
  if (column < 0 || columns < 0) throw Refusal(400, "columns start at 0 and count from 0");
  const int last = static_cast<int>(std::min<long long>(cases, static_cast<long long>(first) + count - 1));
  const int variables = d_->Variables()->Count();
  const int from = std::min(column, variables);
  const int to = static_cast<int>(std::min<long long>(variables, static_cast<long long>(from) + columns));
  const std::vector<Column> shown = Columns(*d_, from, to);
  const double sysmis = d_->SysmisValue();
  Json rows = Json::array();
  std::string text;
  for (int c = first; c <= last; ++c) {
    TSPSSCase& k = *d_->Cases()->Get_Case(c);
    Json cells = Json::array(), kinds = Json::array();
    for (int i = from; i < to; ++i) {
      auto [cell, kind] = shown[static_cast<std::size_t>(i - from)].Show(k, i, sysmis, labels && !values, values, text);
      cells.push_back(std::move(cell));
      kinds.push_back(kind);
    }
    rows.push_back({{"case", c}, {"cells", std::move(cells)}, {"kinds", std::move(kinds)}});
  }
  return {{"column", from}, {"rows", std::move(rows)}};
}

Json Session::Variables() {
  const front::FileFacts f = front::ReadFacts(*d_);
  Json out = Json::array();
  for (int i = 0; i < d_->Variables()->Count(); ++i) {
    const TSPSSVariable& v = *d_->Variables()->GetItem(i);
    const front::VariableFacts& facts = f.variables[static_cast<std::size_t>(i)];
    Json labels = Json::array();
    for (const auto& [value, label] : facts.valueLabels)
      labels.push_back(
          {v.IsNumeric() ? front::NumberText(value.ToDouble()) : std::string(trim::Blanks(value.ToString())), label});
    out.push_back({{"name", v.Name()},
                   {"type", v.IsNumeric() ? "numeric" : "string"},
                   {"width", v.IsNumeric() ? v.Width() : facts.width},
                   {"format", front::PrintFormatName(v)},
                   {"label", v.LabelText()},
                   {"valueLabels", std::move(labels)},
                   {"missing", front::MissingText(v)},
                   {"measure", front::LevelName(v.Level())},
                   {"alignment", front::AlignName(v.Align())},
                   {"columns", v.Columns()},
                   {"role", facts.role ? Json(front::kRoleNames[*facts.role]) : Json(nullptr)},
                   {"weight", &v == d_->Variables()->CaseWeightVar()}});
  }
  return out;
}

int Session::Search(const std::string& name, const std::string& text, int from) {
  TSPSSVariable* v = d_->Variables()->Find(name);
  if (!v) throw Refusal(409, "no variable named " + name);
  const int index = v->Index();
  const double sysmis = d_->SysmisValue();
  const std::string wanted = LowerCase(trim::White(text));
  // Values whose label is the text are found by the label too.
  std::vector<Variant> labelled;
  for (int i = 0; i < v->ValueLabels()->Count(); ++i)
    if (LowerCase(trim::Blanks(v->ValueLabels()->GetItem(i)->Label())) == wanted)
      labelled.push_back(v->ValueLabels()->GetItem(i)->Value());
  // A text that is a value (a number, a date) is found as that value, quickly.
  std::optional<double> number;
  if (v->IsNumeric()) try {
      number = front::ParseValue(*v, text, sysmis).ToDouble();
    } catch (const std::invalid_argument&) {
    }
  std::string value;
  for (int c = std::max(from, 1); c <= d_->Cases()->Count(); ++c) {
    TSPSSCase& k = *d_->Cases()->Get_Case(c);
    if (v->IsNumeric()) {
      const double x = k.GetNumber(index);
      for (const Variant& l : labelled)
        if (l.ToDouble() == x) return c;
      if (number ? x == *number : LowerCase(front::DisplayNumber(*v, x, sysmis)) == wanted) return c;
    } else {
      k.GetText(index, value);
      const std::string t = LowerCase(trim::Blanks(value));
      if (t.find(wanted) != std::string::npos) return c;
      for (const Variant& l : labelled)
        if (trim::Blanks(l.ToString()) == trim::Blanks(value)) return c;
    }
  }
  return 0;
}

}  // namespace savkit::serve
