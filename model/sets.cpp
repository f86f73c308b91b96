#include "savkit/model/sets.h"

#include <algorithm>

#include "raise.h"
#include "savkit/host/exceptions.h"
#include "savkit/model/datafile.h"
#include "savkit/resourcestrings.h"

namespace savkit {

TSPSSVariable* TSPSSVarList::Get_Var(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", index));
  return members_[static_cast<std::size_t>(index)];
}

void TSPSSVarList::Delete(const std::string& name) {
  TSPSSVariable* v = datafile_->Variables()->Find(name);
  if (!v) Raise(cresSPSS_InvalidVarName, name);
  const auto it = std::find(members_.begin(), members_.end(), v);
  if (it == members_.end()) return;
  members_.erase(it);
  datafile_->Set_DictionaryChanged(true);
}

}  // namespace savkit
