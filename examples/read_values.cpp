// Reads a file's dictionary and its values through the data file component.
#include <savkit/savkit.h>

#include <iostream>

using namespace savkit;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: read_values FILE.sav\n";
    return 2;
  }
  try {
    TSPSSDatafile data;
    data.Set_Filename(ExpandFileName(argv[1]));
    data.Open();
    TSPSSVariables* vars = data.Variables();
    std::cout << data.FileInfo()->FileLabel() << ": " << data.Cases()->Count() << " cases\n";
    for (int i = 0; i < vars->Count(); ++i) {
      const TSPSSVariable* v = vars->GetItem(i);
      std::cout << v->Name() << (v->IsNumeric() ? " (number)" : " (text)") << "  " << v->LabelText() << "\n";
    }
    for (int c = 1; c <= data.Cases()->Count(); ++c) {
      TSPSSCase* row = data.Cases()->Get_Case(c);
      for (int i = 0; i < vars->Count(); ++i) {
        const Variant value = row->GetValue(i);
        const bool missing = value.IsNumeric() && value.ToDouble() == data.SysmisValue();
        std::cout << (i ? " | " : "") << (missing ? "." : value.ToString());
      }
      std::cout << "\n";
    }
    data.Close();
  } catch (const Exception& e) {
    std::cerr << argv[1] << ": " << e.what() << "\n";
    return 1;
  }
  return 0;
}
