// Changes a value and a label of a copy of a file, saves, and reads the
// changes back from the saved file.
#include <savkit/savkit.h>

#include <iostream>

using namespace savkit;

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: edit_and_save IN.sav OUT.sav\n";
    return 2;
  }
  try {
    TSPSSDatafile data;
    data.Set_Filename(ExpandFileName(argv[1]));
    data.Open();
    TSPSSVariable* first = data.Variables()->GetItem(0);
    first->Set_LabelText(first->LabelText() + " (edited)");
    if (first->IsNumeric()) first->Set_Value(1, Variant(first->Get_Value(1).ToDouble() + 1000));
    data.Cases()->Add()->SetValue(0, first->IsNumeric() ? Variant(-1.0) : Variant("added"));
    // Saving reopens the component on the saved file: objects of the old
    // opening, such as `first`, are gone; look them up again.
    data.SaveAs(ExpandFileName(argv[2]));
    TSPSSVariable* saved = data.Variables()->GetItem(0);
    std::cout << saved->Name() << ": " << saved->LabelText() << "; case 1 = " << saved->Get_Value(1).ToString() << "; "
              << data.Cases()->Count() << " cases\n";
    data.Close();
  } catch (const Exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}
