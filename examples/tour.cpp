// A short tour of the foundation: a case-insensitive name index, an edit cache
// of changed case values, and how a library status becomes an exception.
#include <savkit/savkit.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

using namespace savkit;

int main(int argc, char** argv) {
  // Variable names, one a line, from the given file (or a few of our own).
  std::vector<std::string> names = {"Age", "Income", "Region", "Weight"};
  if (argc > 1) {
    std::ifstream in(argv[1]);
    if (!in) {
      std::cerr << "cannot read " << argv[1] << "\n";
      return 1;
    }
    names.clear();
    for (std::string line; std::getline(in, line);)
      if (!Trim(line).empty()) names.push_back(Trim(line));
  }

  TStringKeyAVLtree index;
  for (const std::string& name : names)
    if (!index.Add(name)) std::cout << "duplicate name ignored: " << name << "\n";
  std::cout << "names in order:";
  if (index.Root()) {
    index.Root()->Beat(
        [](TBalancedTree* node, void*) {
          std::cout << ' ' << static_cast<TStringKeyAVLtreeNode*>(node)->Key;
          return false;
        },
        nullptr);
  }
  std::cout << "\n";
  const std::string probe = AnsiUpperCase(names.front());
  std::cout << "lookup of " << probe << ": " << (index.Find(probe) ? index.Find(probe)->Key : std::string("not found"))
            << "\n";

  // Three stored cases; change two values and delete the first case.
  TSPSSHashTable edits(nullptr, 3);
  edits.InitOriginalCaseNrs(1);
  edits.Add(2, 0, 42.5);
  edits.Add(3, 1, std::string_view("north"));
  edits.DeleteCase(1);
  for (std::uint32_t pos = 1; pos <= edits.Count(); ++pos) {
    std::cout << "position " << pos << " stands for stored case " << edits.FindOriginalCaseNr(pos)
              << (edits.IsModified(pos) ? ", changed" : ", unchanged") << "\n";
  }

  try {
    CheckSuccess(SPSS_INVALID_FILE);
  } catch (const ESPSSDataFileException& e) {
    std::cout << "status " << e.ErrorCode() << ": " << e.what() << "\n";
  }
  std::cout << "system-missing value: " << FloatToStr(spssSysmisVal()) << "\n";
  return 0;
}
