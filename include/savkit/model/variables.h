// The variables of a data file, with indexes by name and by identifier, the
// rules for adding and deleting, and the case-weight variable.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "savkit/avltrees.h"
#include "savkit/model/variable.h"

namespace savkit {

class TVarNameAVLNode : public TStringKeyAVLtreeNode {
 public:
  using TStringKeyAVLtreeNode::TStringKeyAVLtreeNode;
  std::int32_t Index = 0;
};

class TVarNameAVLTree : public TStringKeyAVLtree {
 public:
  TVarNameAVLTree() : TStringKeyAVLtree(&NewNode<TVarNameAVLNode>) {}
  const char* ClassName() const override { return "TVarNameAVLTree"; }
};

class TVarIDAVLNode : public TIntKeyAVLtreeNode {
 public:
  using TIntKeyAVLtreeNode::TIntKeyAVLtreeNode;
  std::int32_t Index = 0;
};

class TVarIDAVLTree : public TIntKeyAVLtree {
 public:
  TVarIDAVLTree() : TIntKeyAVLtree(&NewNode<TVarIDAVLNode>) {}
  const char* ClassName() const override { return "TVarIDAVLTree"; }
};

class TSPSSVariables : public TOwnedCollection<TSPSSVariable> {
 public:
  explicit TSPSSVariables(TSPSSDatafile* datafile);

  TSPSSDatafile* Datafile() const { return datafile_; }
  TSPSSVariable* CaseWeightVar() const { return caseWeightVar_; }
  const std::vector<int>& NewVarIndexes() const { return newVarIndexes_; }

  void Clear();
  // Ignoring case under the user's locale; none when there is no such variable.
  TSPSSVariable* Find(const std::string& name);
  TSPSSVariable* Find(std::uint32_t varID);
  TSPSSVariable* Add(const std::string& name, bool isNumeric, int width);
  TSPSSVariable* AddExistingVariable();
  void Delete(int index);
  void Delete(const std::string& name);
  void DeleteVariable(int index);
  void UpdateVarTrees();
  // A variable was renamed: the name index is rebuilt when next needed.
  // v was renamed from the name given: the name index follows in O(log n).
  void NameChanged(const std::string& from, const TSPSSVariable& v);
  void Set_CaseWeightVar(TSPSSVariable* variable);
  std::string GetXML() const;

 private:
  friend class TSPSSDatafile;  // dictionary reading sets the weight directly
  TSPSSDatafile* datafile_;
  TSPSSVariable* caseWeightVar_ = nullptr;
  std::vector<int> newVarIndexes_;
  std::unique_ptr<TVarNameAVLTree> varNameTree_;
  std::unique_ptr<TVarIDAVLTree> varIDTree_;
  // The indexes hold every variable under its current name while no name
  // changed and the count is the one they were built for; a lookup that
  // misses then needs no rebuild, and Add keeps them current in O(log n).
  int treesCount_ = -1;
  bool namesChanged_ = true;
  bool TreesCurrent() const { return !namesChanged_ && treesCount_ == Count(); }
};

}  // namespace savkit
