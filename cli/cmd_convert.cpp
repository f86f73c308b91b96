// savkit convert and savkit verify: the whole file, case by case.
#include <memory>

#include <iostream>
#include <vector>

#include "commands.h"
#include "common.h"
#include "password.h"
#include "progress.h"
#include "savkit/front/facts.h"
#include "savkit/front/portable.h"
#include "savkit/front/records.h"

namespace savkit::cli {

struct ConvertOptions {
  std::string in, out, compression;  // empty: the input's
  bool quiet = false;
  bool encrypt = false, decrypt = false;
};

// The password the copy is encrypted with: the input's own where it was
// encrypted (unless --decrypt), one asked for with --encrypt, else none.
std::string OutputPassword(const TSPSSDatafile& d, const ConvertOptions& o) {
  if (o.encrypt && o.decrypt) throw UsageError("--encrypt and --decrypt: one or the other");
  if (o.decrypt) return {};
  if (d.IsEncrypted()) return d.Password();
  if (!o.encrypt) return {};
  std::string password = PasswordFor(o.out);
  if (password.empty()) throw UsageError("--encrypt: give the password with --password or --password-file");
  return password;
}

// A portable file holds less than a system file: what it holds another way
// is said, never done in silence; what it cannot hold the library refuses.
void SayPortableFits(const TSPSSDatafile& d, const ConvertOptions& o) {
  if (!o.compression.empty()) throw UsageError("--compression: a portable file (.por) is not compressed");
  for (const std::string& f : front::FitPortable(front::ReadFacts(d)))
    std::cerr << "savkit: " << o.out << ": " << f << "\n";
}

int RunConvert(const ConvertOptions& o) {
  TSPSSDatafile d;
  OpenForReading(d, o.in);
  const bool portable = front::IsPortablePath(o.out);
  if (portable) SayPortableFits(d, o);
  // Nothing the user did not ask to change is changed: without
  // --compression the copy keeps the input's (a portable input's is none).
  const int compression = o.compression.empty() ? d.Get_Compression() : CompressionCode(o.compression);
  RefuseInputAsOutput(o.in, o.out);
  if (portable && (o.encrypt || (d.IsEncrypted() && !o.decrypt)))
    throw UsageError(o.out + ": a portable file cannot be encrypted (--decrypt writes it plain)");
  std::string password = portable ? std::string() : OutputPassword(d, o);
  // The dictionary is copied whole, records savkit does not know included;
  // only the compression changes.
  AboutFile(o.out, [&] {
    front::FileCopy copy(d, o.out, compression, portable, password);  // let go unfinished on any failure
    Wipe(password);
    front::RecordReader in(d);
    std::vector<char> record(in.Size());
    const int cases = d.Cases()->Count();
    Progress progress("convert", cases, !o.quiet && StderrIsTerminal());
    if (cases > 0) AboutFile(o.in, [&] { in.Seek(0); });
    for (int c = 0; c < cases; ++c) {
      AboutFile(o.in, [&] { in.Read(record.data()); });
      copy.Write(record.data());
      progress.Advance(c + 1);
    }
    copy.Finish();
  });
  return 0;
}

int RunVerify(const std::string& file, bool quiet) {
  TSPSSDatafile d;
  OpenForReading(d, file);
  const int cases = d.Cases()->Count();
  const int vars = d.Variables()->Count();
  Progress progress("verify", cases, !quiet && StderrIsTerminal());
  for (int c = 1; c <= cases; ++c) {
    try {
      TSPSSCase* k = d.Cases()->Get_Case(c);
      for (int v = 0; v < vars; ++v) k->GetValue(v);
    } catch (const std::exception& e) {
      throw Failure(file + ": case " + std::to_string(c) + ": " + e.what());
    }
    progress.Advance(c);
  }
  // A file cut inside a case opens with the cases before it: readable, but damaged.
  if (const std::string fault = d.FaultDetail(); !fault.empty())
    throw Failure(file + ": " + std::to_string(cases) + " cases readable, then damaged: " + fault);
  std::cout << file << ": " << cases << " cases, " << vars << " variables, all readable\n";
  return 0;
}

Command AddConvert(CommandLine& line) {
  auto o = std::make_shared<ConvertOptions>();
  Options options = line.Add("convert", "Rewrite a file with another compression, or as a portable file (.por)");
  options.Password();
  options.Argument("IN", o->in, "The system or portable file")
      .Argument("OUT", o->out, "The file to write: a portable file when it ends in .por, else a system file")
      .Choice("--compression", o->compression, {"none", "bytecode", "zlib"},
              "none, bytecode or zlib (default: the input's)")
      .Flag("--encrypt", o->encrypt, "Encrypt the copy with a password (AES-256, as SPSS does)")
      .Flag("--decrypt", o->decrypt, "Write an encrypted input's copy without encryption")
      .Quiet(o->quiet);
  const auto run = [o] {
    if (o->out.empty()) throw UsageError("OUT: the output needs a name");
    return RunConvert(*o);
  };
  return {options, run, [o] { return o->in; }};
}

Command AddVerify(CommandLine& line) {
  auto o = std::make_shared<ConvertOptions>();
  Options options = line.Add("verify", "Read every case; report the first problem");
  options.Password();
  options.Argument("FILE", o->in, "The system file").Quiet(o->quiet);
  return {options, [o] { return RunVerify(o->in, o->quiet); }, [o] { return o->in; }};
}

}  // namespace savkit::cli
