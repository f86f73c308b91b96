// savkit info and savkit xml: what a file holds.
#include <memory>

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "commands.h"
#include "common.h"
#include "savkit/front/facts.h"
#include "savkit/spssio.h"
#include "savkit/trim.h"

namespace savkit::cli {

namespace {

struct Row {
  std::string name, type, format, label, measure, align, missing, labels;
};

std::vector<Row> Rows(TSPSSDatafile& d) {
  std::vector<Row> rows;
  for (int i = 0; i < d.Variables()->Count(); ++i) {
    const TSPSSVariable* v = d.Variables()->GetItem(i);
    const front::VariableFacts f = front::ReadVariableFacts(d, *v);  // widths in the file's bytes
    rows.push_back({v->Name(), v->IsNumeric() ? "number" : "A" + std::to_string(f.width),
                    FormatName(f.print.type, f.print.width, f.print.decimals), v->LabelText(), LevelName(v->Level()),
                    AlignName(v->Align()), MissingText(*v), std::to_string(v->ValueLabels()->Count())});
  }
  return rows;
}

std::string Stamp(TDateTime t) {
  int y, mo, d, h, mi, s, ms;
  DecodeDate(t, y, mo, d);
  DecodeTime(t, h, mi, s, ms);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
  return buf;
}

std::size_t Columns(const std::string& s) {
  return static_cast<std::size_t>(std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// Cuts text to at most width characters, marking the cut.
std::string Fit(const std::string& s, std::size_t width) {
  if (Columns(s) <= width) return s + std::string(width - Columns(s), ' ');
  std::string out;
  std::size_t n = 0;  // characters taken
  for (std::size_t i = 0; i < s.size(); ++i) {
    const bool starts = (s[i] & 0xC0) != 0x80;
    if (starts && n + 1 >= width) break;
    if (starts) ++n;
    out += s[i];
  }
  return out + "…" + std::string(width > n + 1 ? width - n - 1 : 0, ' ');
}

void PrintTable(const std::vector<Row>& rows) {
  const char* heads[] = {"name", "type", "format", "measure", "align", "missing", "labels", "label"};
  std::size_t w[8];
  for (int c = 0; c < 8; ++c) w[c] = Columns(heads[c]);
  for (const Row& r : rows) {
    const std::string* cells[] = {&r.name, &r.type, &r.format, &r.measure, &r.align, &r.missing, &r.labels, &r.label};
    for (int c = 0; c < 8; ++c) w[c] = std::max(w[c], Columns(*cells[c]));
  }
  // The label takes what the terminal leaves; long names and missing values give way first.
  const std::size_t total = static_cast<std::size_t>(TerminalWidth());
  w[5] = std::min<std::size_t>(w[5], 24);
  w[0] = std::min<std::size_t>(w[0], 32);
  std::size_t used = 0;
  for (int c = 0; c < 7; ++c) used += w[c] + 2;
  w[7] = total > used + 10 ? std::min(w[7], total - used) : 10;
  auto line = [&](const std::string* cells[]) {
    std::string out;
    for (int c = 0; c < 8; ++c) out += Fit(*cells[c], w[c]) + (c < 7 ? "  " : "");
    std::cout << trim::Blanks(out) << "\n";
  };
  std::string h[8];
  const std::string* hp[8];
  for (int c = 0; c < 8; ++c) h[c] = heads[c], hp[c] = &h[c];
  line(hp);
  for (const Row& r : rows) {
    const std::string* cells[] = {&r.name, &r.type, &r.format, &r.measure, &r.align, &r.missing, &r.labels, &r.label};
    line(cells);
  }
}

std::vector<std::string> MemberNames(TSPSSVarList* list) {
  std::vector<std::string> names;
  for (int i = 0; i < list->Count(); ++i) names.push_back(list->Get_Var(i)->Name());
  return names;
}

std::string JsonList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + JsonString(items[i]);
  return out + "]";
}

}  // namespace

struct InfoOptions {
  std::string file;
  bool json = false, quiet = false;
};

int RunInfo(const InfoOptions& o) {
  TSPSSDatafile d;
  OpenForReading(d, o.file);
  const int compression = d.Get_Compression();
  const TSPSSFileInfo* info = d.FileInfo();
  const TSPSSVariable* weight = d.Variables()->CaseWeightVar();
  const std::vector<Row> rows = Rows(d);
  const std::string fault = d.FaultDetail();  // a file cut inside a case opens with the cases before it
  if (o.json) {
    std::cout << "{\n  \"file\": " << JsonString(o.file) << ",\n  \"label\": " << JsonString(info->FileLabel())
              << ",\n  \"textInfo\": " << JsonString(info->TextInfo())
              << ",\n  \"created\": " << JsonString(Stamp(info->TimeStamp()))
              << ",\n  \"system\": " << JsonString(info->SystemString())
              << ",\n  \"compression\": " << JsonString(front::CompressionName(compression))
              << ",\n  \"cases\": " << d.Cases()->Count()
              << ",\n  \"damaged\": " << (fault.empty() ? "null" : JsonString(fault))
              << ",\n  \"weight\": " << (weight ? JsonString(weight->Name()) : "null") << ",\n  \"variables\": [";
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const Row& r = rows[i];
      std::cout << (i ? ",\n" : "\n") << "    {\"name\": " << JsonString(r.name) << ", \"type\": " << JsonString(r.type)
                << ", \"format\": " << JsonString(r.format) << ", \"label\": " << JsonString(r.label)
                << ", \"measure\": " << JsonString(r.measure) << ", \"align\": " << JsonString(r.align)
                << ", \"missing\": " << JsonString(r.missing) << ", \"valueLabels\": " << r.labels << "}";
    }
    std::cout << "\n  ],\n  \"variableSets\": [";
    for (int i = 0; i < d.VariableSets()->Count(); ++i) {
      TSPSSVariableSet* s = d.VariableSets()->GetItem(i);
      std::cout << (i ? ", " : "") << "{\"name\": " << JsonString(s->Name())
                << ", \"members\": " << JsonList(MemberNames(s->VarList())) << "}";
    }
    std::cout << "],\n  \"multipleResponseSets\": [";
    for (int i = 0; i < d.MRMDSets()->Count(); ++i) {
      TSPSSMRMDSet* s = d.MRMDSets()->GetItem(i);
      std::cout << (i ? ", " : "") << "{\"name\": " << JsonString(s->Name())
                << ", \"kind\": " << JsonString(s->IsDichotomy() ? "dichotomy" : "category")
                << ", \"countedValue\": " << JsonString(s->IsDichotomy() ? s->CountedValue().ToString() : "")
                << ", \"label\": " << JsonString(s->Labeltext())
                << ", \"members\": " << JsonList(MemberNames(s->VarList())) << "}";
    }
    std::cout << "]\n}\n";
    return 0;
  }
  std::cout << o.file << "\n"
            << "  label        " << info->FileLabel() << "\n"
            << "  text info    " << info->TextInfo() << "\n"
            << "  created      " << Stamp(info->TimeStamp()) << "\n"
            << "  written by   " << info->SystemString() << "\n"
            << "  compression  " << front::CompressionName(compression) << "\n"
            << "  cases        " << d.Cases()->Count() << "\n";
  if (!fault.empty()) std::cout << "  damaged      " << fault << "\n";
  std::cout << "  variables    " << rows.size() << "\n"
            << "  weight       " << (weight ? weight->Name() : "(none)") << "\n\n";
  PrintTable(rows);
  for (int i = 0; i < d.VariableSets()->Count(); ++i) {
    if (i == 0) std::cout << "\nvariable sets\n";
    TSPSSVariableSet* s = d.VariableSets()->GetItem(i);
    std::cout << "  " << s->Name() << ":";
    for (const std::string& m : MemberNames(s->VarList())) std::cout << " " << m;
    std::cout << "\n";
  }
  for (int i = 0; i < d.MRMDSets()->Count(); ++i) {
    if (i == 0) std::cout << "\nmultiple-response sets\n";
    TSPSSMRMDSet* s = d.MRMDSets()->GetItem(i);
    std::cout << "  $" << s->Name() << " ("
              << (s->IsDichotomy() ? "dichotomy, counts " + s->CountedValue().ToString() : std::string("category"))
              << ") " << s->Labeltext() << ":";
    for (const std::string& m : MemberNames(s->VarList())) std::cout << " " << m;
    std::cout << "\n";
  }
  return 0;
}

int RunXml(const std::string& file) {
  TSPSSDatafile d;
  OpenForReading(d, file);
  std::cout << d.GetXML();
  return 0;
}

Command AddInfo(CommandLine& line) {
  auto o = std::make_shared<InfoOptions>();
  Options options = line.Add("info", "File facts, variables and sets");
  options.Password();
  options.Argument("FILE", o->file, "The system file")
      .Flag("--json", o->json, "Machine-readable output")
      .Quiet(o->quiet, false);
  return {options, [o] { return RunInfo(*o); }, [o] { return o->file; }};
}

Command AddXml(CommandLine& line) {
  auto o = std::make_shared<InfoOptions>();
  Options options = line.Add("xml", "The XML description of the dictionary");
  options.Password();
  options.Argument("FILE", o->file, "The system file").Quiet(o->quiet, false);
  return {options, [o] { return RunXml(o->file); }, [o] { return o->file; }};
}

}  // namespace savkit::cli
