#include "savkit/model/cases.h"

#include <cstring>

#include "savkit/model/datafile.h"

namespace savkit {

void TSPSSCases::ClearBuffer(int index) {
  const TSPSSVariable* v = datafile_->Variables()->GetItem(index);
  const auto offset = static_cast<std::size_t>(v->ReadOffset());
  const auto size = static_cast<std::size_t>(v->StorageSize());
  if (offset + size > caseBuffer_.size()) return;
  if (v->IsNumeric()) {
    const double sysmis = datafile_->SysmisValue();
    std::memcpy(caseBuffer_.data() + offset, &sysmis, 8);
  } else {
    std::memset(caseBuffer_.data() + offset, 0, size);  // the empty, zero-terminated text
  }
}

void TSPSSCases::Clear() {
  caseBuffer_ = {};
  count_ = 0;
  currentCase_ = 0;
}

}  // namespace savkit
