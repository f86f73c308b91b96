// Named groups of variables: variable sets and multiple-response sets. Set
// names compare ignoring the case of the letters A to Z.
#pragma once

#include <string>
#include <vector>

#include "savkit/host/collection.h"
#include "savkit/host/variant.h"

namespace savkit {

class TSPSSDatafile;
class TSPSSVariable;

// The members of a set, by reference to variables of the same data file; a
// variable may stand in it more than once.
class TSPSSVarList {
 public:
  explicit TSPSSVarList(TSPSSDatafile* datafile) : datafile_(datafile) {}

  int Count() const { return static_cast<int>(members_.size()); }
  int Get_Count() const { return Count(); }
  TSPSSVariable* Get_Var(int index) const;
  // Both raise "Variablename %s is not valid" for a name of no variable.
  void Add(const std::string& name);
  void AddExisting(const std::string& name);  // unmarked, for dictionary reading
  // Removes the first occurrence of the named variable, if any.
  void Delete(const std::string& name);
  // Removes every occurrence of a variable that is being deleted: none may
  // be left to point at it. True when there was one.
  bool Forget(const TSPSSVariable* variable);

 private:
  friend class TSPSSDatafile;  // reading a saved file's sets again
  TSPSSVariable* Lookup(const std::string& name) const;
  TSPSSDatafile* datafile_;
  std::vector<TSPSSVariable*> members_;
};

class TSPSSVariableSet : public TCollectionItem {
 public:
  explicit TSPSSVariableSet(TSPSSDatafile* datafile) : datafile_(datafile), varList_(datafile) {}
  const std::string& Name() const { return name_; }
  void Set_Name(const std::string& name);
  int Count() const { return varList_.Count(); }
  int Get_Count() const { return Count(); }
  TSPSSVarList* VarList() { return &varList_; }

 private:
  friend class TSPSSVariableSets;
  friend class TSPSSDatafile;  // reading a saved file's sets again
  TSPSSDatafile* datafile_;
  std::string name_;
  TSPSSVarList varList_;
};

class TSPSSVariableSets : public TOwnedCollection<TSPSSVariableSet> {
 public:
  explicit TSPSSVariableSets(TSPSSDatafile* datafile) : datafile_(datafile) {}
  TSPSSDatafile* Datafile() const { return datafile_; }

  // Raises "The variableset %s already exists in the datafile".
  TSPSSVariableSet* Add(const std::string& name);
  TSPSSVariableSet* AddExistingVariableSet(const std::string& name);
  TSPSSVariableSet* Find(const std::string& name) const;
  // Raises "Variableset index number is not valid" for an index not below Count.
  void Delete(int index);
  std::string GetXML() const;

 private:
  TSPSSDatafile* datafile_;
};

class TSPSSMRMDSet : public TCollectionItem {
 public:
  explicit TSPSSMRMDSet(TSPSSDatafile* datafile) : datafile_(datafile), varList_(datafile) {}

  const std::string& Name() const { return name_; }
  const Variant& CountedValue() const { return countedValue_; }
  const std::string& Labeltext() const { return labeltext_; }
  bool IsDichotomy() const { return isDichotomy_; }
  int Count() const { return varList_.Count(); }
  int Get_Count() const { return Count(); }
  TSPSSVarList* VarList() { return &varList_; }

  // Each stores and marks the dictionary changed; none checks anything.
  void Set_Name(const std::string& name);
  void Set_CountedValue(const Variant& value);
  void Set_Labeltext(const std::string& text);
  void Set_IsDichotomy(bool value);

 private:
  friend class TSPSSMRMDSets;
  friend class TSPSSDatafile;
  void Mark() const;
  // A set that deleting variables left with fewer than two members, which
  // no file can hold, is not written; one the application made so is
  // refused by the library like any other set it cannot hold.
  bool LeftOutOfFiles() const { return shrunkByDeletion_ && Count() < 2; }
  bool shrunkByDeletion_ = false;
  TSPSSDatafile* datafile_;
  std::string name_;
  Variant countedValue_;
  std::string labeltext_;
  TSPSSVarList varList_;
  bool isDichotomy_ = false;
};

class TSPSSMRMDSets : public TOwnedCollection<TSPSSMRMDSet> {
 public:
  explicit TSPSSMRMDSets(TSPSSDatafile* datafile) : datafile_(datafile) {}
  TSPSSDatafile* Datafile() const { return datafile_; }

  // Raises "The MRMD set %s already exists in the datafile". A dichotomy set
  // starts counting 0, a category set with no counted value.
  TSPSSMRMDSet* Add(const std::string& name, bool isDichotomy);
  TSPSSMRMDSet* AddExistingMRMDSet(const std::string& name);
  TSPSSMRMDSet* Find(const std::string& name) const;
  // Raises "MRMD set index number is not valid" for an index not below Count.
  void Delete(int index);
  // Takes a variable that is being deleted out of every set.
  void Forget(const TSPSSVariable* variable);
  std::string GetXML() const;

 private:
  TSPSSDatafile* datafile_;
};

}  // namespace savkit
