#include "savkit/model/fileinfo.h"

#include "raise.h"
#include "savkit/model/datafile.h"
#include "savkit/resourcestrings.h"
#include "savkit/spssio.h"

namespace savkit {

void TSPSSFileInfo::Set_FileLabel(const std::string& label) {
  switch (datafile_->OpenMode()) {
    case domWriting:
      CheckSuccess(spssSetIdString(datafile_->WriteHandle(), label.c_str()));
      fileLabel_ = label;
      break;
    case domReading:
      fileLabel_ = label;
      datafile_->Set_DictionaryChanged(true);
      break;
    default: Raise(cresSPSS_FileLabelCannotSet);
  }
}

void TSPSSFileInfo::Set_TextInfo(const std::string& text) {
  switch (datafile_->OpenMode()) {
    case domWriting:
      CheckSuccess(spssSetTextInfo(datafile_->WriteHandle(), text.c_str()));
      textInfo_ = text;
      break;
    case domReading:
      textInfo_ = text;
      datafile_->Set_DictionaryChanged(true);
      break;
    default: Raise(cresSPSS_TextInfoCannotSet);
  }
}

void TSPSSFileInfo::Clear() {
  fileLabel_.clear();
  systemString_.clear();
  textInfo_.clear();
}

}  // namespace savkit
