// Creates a new file in direct-write mode: the dictionary first, then the
// cases one by one.
#include <savkit/savkit.h>

#include <iostream>

using namespace savkit;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: create_file OUT.sav\n";
    return 2;
  }
  try {
    TSPSSDatafile data;
    data.Set_WriteDirect(true);
    data.Set_Filename(ExpandFileName(argv[1]));
    data.OpenNew();
    TSPSSVariable* id = data.Variables()->Add("id", true, 8);
    id->Set_Decimals(0);
    TSPSSVariable* name = data.Variables()->Add("name", false, 12);
    name->Set_LabelText("First name");
    TSPSSVariable* born = data.Variables()->Add("born", true, 11);
    born->Set_PrintType(SPSS_FMT_DATE);
    born->Set_WriteType(SPSS_FMT_DATE);
    born->Set_Decimals(0);
    id->ValueLabels()->Add(Variant(1), "the first");
    data.FileInfo()->Set_FileLabel("Made by create_file");
    data.SaveDictionary();
    const char* names[] = {"Ada", "Grace", "Edsger"};
    const int years[] = {1815, 1906, 1930};
    for (int i = 0; i < 3; ++i) {
      TSPSSCase* row = data.Cases()->Add();
      row->SetValue(0, Variant(i + 1));
      row->SetValue(1, Variant(names[i]));
      row->Set_DateTimeValue(2, EncodeDate(years[i], 12, 10));
      row->Save();
    }
    data.Close();
    std::cout << "wrote " << argv[1] << "\n";
  } catch (const Exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}
