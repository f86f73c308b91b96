// A new file's dictionary from facts, as a front end has them from its
// user's data: the variables with their formats, labels and missing values,
// then the file label, the weight and the sets. What only a file keeps
// (encoding, documents, attributes, roles, widths in the file's bytes) goes
// to NewFile::CommitHeader with the same facts.
#pragma once

#include "savkit/front/facts.h"
#include "savkit/model/datafile.h"

namespace savkit::front {

// Refuses (the component's exception) what no file can hold, naming the
// variable: a name that is none, one given twice, a format of the other
// type, a missing range on texts.
void DefineFromFacts(TSPSSDatafile& d, const FileFacts& facts);

}  // namespace savkit::front
