// savkit codebook: a file's dictionary and the distribution of each of its
// variables and multiple-response sets, gathered in one pass over the cases
// and shown as one self-contained HTML page.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "codebook_stats.h"
#include "savkit/model/datafile.h"

namespace savkit::cli::codebook {

struct VariableSummary {
  TSPSSVariable* variable;
  std::unique_ptr<NumberStats> number;  // one of the two
  std::unique_ptr<TextStats> text;
};

struct Summary {
  std::vector<VariableSummary> variables;       // in dictionary order
  std::vector<std::unique_ptr<SetStats>> sets;  // multiple-response sets, in order
  const TSPSSVariable* weight = nullptr;
  double cases = 0;          // cases read
  double weightedCases = 0;  // their total weight; cases with no usable weight are left out
  double unweighted = 0;     // cases left out for their weight (missing, zero, negative, infinite)
};

// Reads every case of a file opened for reading and unchanged; progress is
// told the cases done so far.
Summary Summarize(TSPSSDatafile& d, const std::function<void(std::int64_t)>& progress);

// The page, from the file's dictionary and its summary.
std::string Html(TSPSSDatafile& d, const Summary& s, const std::string& fileName);

}  // namespace savkit::cli::codebook
