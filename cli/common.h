// Shared pieces of the savkit command: how values are shown, CSV, JSON and
// the terminal.
#pragma once

#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "savkit/front/files.h"
#include "savkit/front/formats.h"
#include "savkit/front/values.h"
#include "savkit/model/datafile.h"

namespace savkit::cli {

// A failure to report as "savkit: <what>: <why>" with exit code 1.
struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A command line that cannot be carried out as given: exit code 2.
struct UsageError : Failure {
  using Failure::Failure;
};

// Refuses to write over the input: the same file (device and inode, links
// followed) under whatever name.
void RefuseInputAsOutput(const std::string& in, const std::string& out);

// What the front-end library says of formats and values, under the
// command's own names.
using front::AddVariable;
using front::AlignName;
using front::FormatName;
using front::IsDateFormat;
using front::IsDateTimeFormat;
using front::IsTimeFormat;
using front::kRoleNames;
using front::LevelName;
using front::MissingSpec;
using front::MissingText;
using front::NumberText;
using front::ParseFormatName;
using front::PrintFormatName;
using front::TextHash;
using front::ValueText;

// RFC 4180: quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string& text);

// A JSON string literal of text; bytes that are not UTF-8 become U+FFFD.
std::string JsonString(const std::string& text);

// Columns of the terminal on stdout, or 100 when it is not one.
int TerminalWidth();
bool StderrIsTerminal();

// Runs work; a failure that does not say which file it is about is said to
// be about path (the output, where the output could not be written).
template <class Work>
auto AboutFile(const std::string& path, Work&& work) -> decltype(work()) {
  try {
    return work();
  } catch (const Failure&) {
    throw;
  } catch (const front::FileError&) {
    throw;
  } catch (const std::exception& e) {
    throw Failure(path + ": " + e.what());
  }
}

// Opens a file for reading through the component; failures name the file.
void OpenForReading(TSPSSDatafile& data, const std::string& path);

// Parses "A:B" (either side may be empty) into a 1-based inclusive range.
void ParseRange(const std::string& text, int count, int& first, int& last);

}  // namespace savkit::cli
