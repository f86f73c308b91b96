// The file-level facts of the open data file.
#pragma once

#include <cstdint>
#include <string>

#include "savkit/host/datetime.h"

namespace savkit {

class TSPSSDatafile;

class TSPSSFileInfo {
 public:
  explicit TSPSSFileInfo(TSPSSDatafile* datafile) : datafile_(datafile) {}

  TSPSSDatafile* Datafile() const { return datafile_; }
  TDateTime TimeStamp() const { return timeStamp_; }
  const std::string& FileLabel() const { return fileLabel_; }
  double LowestValue() const { return lowestValue_; }
  double HighestValue() const { return highestValue_; }
  const std::string& SystemString() const { return systemString_; }
  const std::int32_t* ReleaseInfo() const { return releaseInfo_; }
  const std::string& TextInfo() const { return textInfo_; }

  // Writing mode: through the library; reading mode: in the model, marking the
  // dictionary changed; other modes refuse.
  void Set_FileLabel(const std::string& label);
  void Set_TextInfo(const std::string& text);
  void Clear();

 private:
  friend class TSPSSDatafile;
  TSPSSDatafile* datafile_;
  TDateTime timeStamp_ = 0;
  std::string fileLabel_;
  double lowestValue_ = 0, highestValue_ = 0;
  std::string systemString_;
  std::int32_t releaseInfo_[8] = {};
  std::string textInfo_;
};

}  // namespace savkit
