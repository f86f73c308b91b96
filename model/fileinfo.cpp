#include "savkit/model/fileinfo.h"

#include "raise.h"
#include "savkit/model/datafile.h"
#include "savkit/resourcestrings.h"
#include "savkit/spssio.h"

namespace savkit {

namespace {

// Writing mode hands the text to the library first; reading mode keeps it in
// the model for the next save; no other mode takes it.
void SetText(TSPSSDatafile* d, std::string& field, const std::string& text, int (*library)(int, const char*),
             std::string_view refusal) {
  switch (d->OpenMode()) {
    case domWriting:
      CheckSuccess(library(d->WriteHandle(), text.c_str()));
      field = text;
      break;
    case domReading:
      field = text;
      d->Set_DictionaryChanged(true);
      break;
    default: Raise(refusal);
  }
}

}  // namespace

void TSPSSFileInfo::Set_FileLabel(const std::string& label) {
  SetText(datafile_, fileLabel_, label, spssSetIdString, cresSPSS_FileLabelCannotSet);
}

void TSPSSFileInfo::Set_TextInfo(const std::string& text) {
  SetText(datafile_, textInfo_, text, spssSetTextInfo, cresSPSS_TextInfoCannotSet);
}

void TSPSSFileInfo::Clear() {
  fileLabel_.clear();
  systemString_.clear();
  textInfo_.clear();
}

}  // namespace savkit
