// TSPSSDatafile: the component an application works with. It owns the whole
// object model of one SPSS data file, holds the I/O library handles, and
// decides by its open mode and WriteDirect what every operation may do.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "savkit/hashtable.h"
#include "savkit/host/component.h"
#include "savkit/host/datetime.h"
#include "savkit/model/cases.h"
#include "savkit/model/fileinfo.h"
#include "savkit/model/library_handle.h"
#include "savkit/model/sets.h"
#include "savkit/spssio.h"
#include "savkit/model/variables.h"

namespace savkit {

// What tells that the file under a name is still the one that was opened.
struct FileIdentity {
  std::uint64_t device = 0, inode = 0;
  std::int64_t size = -1;     // -1: no file
  std::int64_t modified = 0;  // nanoseconds
  bool operator==(const FileIdentity&) const = default;
};

enum TSPSSDatafileOpenMode : std::uint8_t { domClosed = 0, domReading = 1, domAppending = 2, domWriting = 3 };

class TSPSSDatafile : public TComponent {
 public:
  TSPSSDatafile();
  // Closes an open file quietly: a component never leaves a library handle
  // or a half-written file behind.
  ~TSPSSDatafile() override;

  const std::string& Filename() const { return filename_; }
  // The folder of a non-empty name (up to its last '/') must exist.
  void Set_Filename(const std::string& name);
  bool WriteDirect() const { return writeDirect_; }
  void Set_WriteDirect(bool value);
  // The encoding Open takes the file's texts in, whatever the file says
  // (as iconv names it); empty: the file's own.
  const std::string& ReadEncoding() const { return readEncoding_; }
  void Set_ReadEncoding(const std::string& encoding) { readEncoding_ = encoding; }
  // The password Open opens an encrypted file with; saving encrypts the
  // file again with it. Wiped from memory when replaced or with the object.
  void Set_Password(const std::string& password);
  const std::string& Password() const { return password_; }
  // Whether the open file was read from a portable file, or an encrypted one.
  bool IsPortable() const;
  bool IsEncrypted() const;
  bool Get_Compressed() const { return compression_ == SPSS_COMPRESSION_BYTECODE; }
  void Set_Compressed(bool value);
  // The kind of compression a written file gets: SPSS_COMPRESSION_NONE,
  // _BYTECODE or _ZLIB. Compressed is true for bytecode alone; a file that
  // was opened keeps its kind, ZLIB included, unless either is set.
  int Get_Compression() const { return compression_; }
  void Set_Compression(int kind);

  TSPSSDatafileOpenMode OpenMode() const { return openMode_; }
  TSPSSVariables* Variables() const { return variables_.get(); }
  TSPSSCases* Cases() const { return cases_.get(); }
  TSPSSFileInfo* FileInfo() const { return fileInfo_.get(); }
  TSPSSVariableSets* VariableSets() const { return variableSets_.get(); }
  TSPSSMRMDSets* MRMDSets() const { return mrmdSets_.get(); }
  TSPSSHashTable* EditCache() const { return editCache_.get(); }

  int ReadHandle() const { return readHandle_; }
  int WriteHandle() const { return writeHandle_; }
  double SysmisValue() const { return sysmisValue_; }
  int CaseSize() const { return caseSize_; }
  // Why the file open is damaged, as far as it has been read (a case cut
  // short, a block that does not inflate), with the byte where the fault
  // lies; empty when nothing was met. A file cut inside a case opens with
  // the cases before it, and says so here.
  std::string FaultDetail() const;
  void Set_CaseSize(int size) { caseSize_ = size; }
  bool DictionaryChanged() const { return dictionaryChanged_; }
  void Set_DictionaryChanged(bool value) { dictionaryChanged_ = value; }
  bool HeaderCommitted() const { return headerCommitted_; }
  void Set_HeaderCommitted(bool value) { headerCommitted_ = value; }
  bool VariablesDeleted() const { return variablesDeleted_; }
  void Set_VariablesDeleted(bool value) { variablesDeleted_ = value; }

  void Open();
  void OpenNew();
  void Close();
  // Closes without completing what is being written: a new file is not made,
  // cases appended are taken out again. For a failure part way.
  void Abandon();
  void Clear();
  void ClearAll();

  void ReadDictionary();
  // overCopy: the handle holds a copy of the open file whose variables are
  // defined anew, each carrying on the one it was.
  void WriteDictionary(bool overCopy = false);
  // The texts of variable sets and multiple-response sets the library takes.
  // again: after a save, into the set objects the model has, so that those
  // an application holds show what the saved file says.
  void ReadVariableSet(bool again = false);
  void WriteVariableSet();
  void ReadMRMDSet(bool again = false);
  void WriteMRMDSet();
  TSPSSMRMDSet* ParseMRMDSetLine(const std::string& line);
  void FillMRMDSet(TSPSSMRMDSet& set, const std::string& line);
  // The texts that WriteVariableSet and WriteMRMDSet hand to the library.
  std::string VariableSetText() const;
  // storableOnly leaves out the sets that deleting variables left with
  // fewer than two members, which no file can hold.
  std::string MRMDSetText(bool storableOnly = false) const;
  // The dictionary as XML-like text, CR LF line ends; empty without Filename.
  std::string GetXML() const;
  void SaveDictionary();
  void SaveDictionaryAs(const std::string& fileName);

  // Writes the data set with every edit to a new file that takes the place of
  // target in one step, then reopens on it. Nothing is lost on failure: the
  // old file, the model and the edits stay as they were.
  void SaveAs(const std::string& target);
  void Save();
  // Loads whole columns into the edit cache; names that are no variables are
  // reported together, after the others are loaded.
  void Cache(const std::vector<std::string>& names);

  // "dd Mmm yy" and "hh:mm:ss" to a date-time value; years below 49 are 20yy.
  static TDateTime ParseTimeStamp(const std::string& date, const std::string& time);

 private:
  void ReadFileFacts(int handle);
  int CloseHandles();
  int FileKind() const;  // SPSS_KIND_... of the file open for reading
  void KeepFileKind(const std::string& target);
  void ReadDictionaryOrClose();
  // The file the read handle holds: its name, the path links lead to, and
  // what identifies it now.
  void RememberOpened(const std::string& name, const std::string& path);
  // The case buffer, as large as the read handle's whole-case record.
  void SizeCaseBuffer();
  // Empties the dictionary, cases and file facts.
  void EmptyModel();
  // Moves over to the file just saved, keeping every object of the model.
  // path: the target, links followed.
  void MoveToSaved(const std::string& target, const std::string& path);
  // The variables of the file open under handle are the model's, in order.
  bool HoldsTheModelsVariables(int handle);
  // Reads every variable into the object that stands for it already.
  void ReadVariablesAgain();
  void ReadSetsAgain();
  void ReadVariable(TSPSSVariable& v, const std::string& name, int type, int position);
  void WriteVariable(TSPSSVariable& v, bool overCopy);

  std::string filename_;
  std::string openedName_;  // the file the read handle holds, whatever Filename says now
  std::string openedPath_;  // that file with links followed
  FileIdentity openedIdentity_;
  // The numbers of the library's handles, and the one the component owns.
  int readHandle_ = -1;
  int writeHandle_ = -1;
  LibraryHandle held_;
  std::unique_ptr<TSPSSVariables> variables_;
  std::unique_ptr<TSPSSMRMDSets> mrmdSets_;
  std::unique_ptr<TSPSSVariableSets> variableSets_;
  std::unique_ptr<TSPSSCases> cases_;
  TSPSSDatafileOpenMode openMode_ = domClosed;
  bool writeDirect_ = false;
  std::string readEncoding_;
  std::string password_;
  bool headerCommitted_ = false;
  bool dictionaryChanged_ = false;
  bool variablesDeleted_ = false;
  int compression_ = SPSS_COMPRESSION_BYTECODE;  // Compressed is true for bytecode alone
  double sysmisValue_;
  int caseSize_ = 0;
  std::unique_ptr<TSPSSHashTable> editCache_;
  std::unique_ptr<TSPSSFileInfo> fileInfo_;
};

}  // namespace savkit
