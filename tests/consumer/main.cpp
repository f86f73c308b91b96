#include <savkit/savkit.h>

int main() {
  savkit::TStringKeyAVLtree names;
  names.Add("Age");
  return names.Find("AGE") && savkit::LibraryErrorMessage(SPSS_INVALID_FILE).size() ? 0 : 1;
}
