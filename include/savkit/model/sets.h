// Named groups of variables: variable sets and multiple-response sets.
#pragma once

#include <string>
#include <vector>

#include "savkit/host/collection.h"
#include "savkit/host/variant.h"

namespace savkit {

class TSPSSDatafile;
class TSPSSVariable;

// The members of a set, by reference to variables of the same data file.
class TSPSSVarList {
 public:
  explicit TSPSSVarList(TSPSSDatafile* datafile) : datafile_(datafile) {}

  int Count() const { return static_cast<int>(members_.size()); }
  TSPSSVariable* Get_Var(int index) const;
  // Removes the first occurrence of the named variable; raises "Variablename
  // %s is not valid" when no variable has the name.
  void Delete(const std::string& name);

 private:
  TSPSSDatafile* datafile_;
  std::vector<TSPSSVariable*> members_;
};

class TSPSSVariableSet : public TCollectionItem {
 public:
  explicit TSPSSVariableSet(TSPSSDatafile* datafile) : varList_(datafile) {}
  const std::string& Name() const { return name_; }
  TSPSSVarList* VarList() { return &varList_; }

 private:
  std::string name_;
  TSPSSVarList varList_;
};

class TSPSSVariableSets : public TOwnedCollection<TSPSSVariableSet> {
 public:
  explicit TSPSSVariableSets(TSPSSDatafile* datafile) : datafile_(datafile) {}
  TSPSSDatafile* Datafile() const { return datafile_; }

 private:
  TSPSSDatafile* datafile_;
};

class TSPSSMRMDSet : public TCollectionItem {
 public:
  explicit TSPSSMRMDSet(TSPSSDatafile* datafile) : varList_(datafile) {}
  const std::string& Name() const { return name_; }
  TSPSSVarList* VarList() { return &varList_; }

 private:
  std::string name_;
  TSPSSVarList varList_;
};

class TSPSSMRMDSets : public TOwnedCollection<TSPSSMRMDSet> {
 public:
  explicit TSPSSMRMDSets(TSPSSDatafile* datafile) : datafile_(datafile) {}
  TSPSSDatafile* Datafile() const { return datafile_; }

 private:
  TSPSSDatafile* datafile_;
};

}  // namespace savkit
