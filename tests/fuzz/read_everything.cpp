#include "read_everything.h"

#include <vector>

#include "savkit/savkit.h"
#include "savkit/spssio.h"

namespace savkit::fuzzing {

namespace {

void ReadVariable(int h, const char* name, int type) {
  int a, b, c;
  spssGetVarPrintFormat(h, name, &a, &b, &c);
  spssGetVarWriteFormat(h, name, &a, &b, &c);
  spssGetVarColumnWidth(h, name, &a);
  spssGetVarAlignment(h, name, &a);
  spssGetVarMeasureLevel(h, name, &a);
  double handle;
  spssGetVarHandle(h, name, &handle);
  char label[SPSS_MAX_VARLABEL + 1];
  spssGetVarLabel(h, name, label);
  int count = 0;
  if (type == 0) {
    double m1, m2, m3;
    spssGetVarNMissingValues(h, name, &a, &m1, &m2, &m3);
    double* values = nullptr;
    char** labels = nullptr;
    if (spssGetVarNValueLabels(h, name, &values, &labels, &count) == SPSS_OK)
      spssFreeVarNValueLabels(values, labels, count);
  } else {
    char m1[SPSS_MAX_MISSVALUE + 1], m2[sizeof m1], m3[sizeof m1];
    spssGetVarCMissingValues(h, name, &a, m1, m2, m3);
    char** values = nullptr;
    char** labels = nullptr;
    if (spssGetVarCValueLabels(h, name, &values, &labels, &count) == SPSS_OK)
      spssFreeVarCValueLabels(values, labels, count);
  }
}

}  // namespace

void ReadThroughLibrary(const char* path) {
  int h = -1;
  if (spssOpenRead(path, &h) > 0) return;  // a warning leaves it open
  int n = 0, comp = 0, release[8];
  long cases = 0, caseSize = 0;
  spssGetNumberofVariables(h, &n);
  spssGetNumberofCases(h, &cases);
  spssGetCaseSize(h, &caseSize);
  spssGetCompression(h, &comp);
  char system[SPSS_MAX_SYSSTRING + 5], date[10], time[10];
  char id[SPSS_MAX_IDSTRING + 1], text[SPSS_MAX_TEXTINFO + 1], weight[SPSS_MAX_VARNAME + 1];
  spssGetSystemString(h, system);
  spssGetReleaseInfo(h, release);
  spssGetTimeStamp(h, date, time);
  spssGetIdString(h, id);
  spssGetTextInfo(h, text);
  spssGetCaseWeightVar(h, weight);
  char** names = nullptr;
  int* types = nullptr;
  if (spssGetVarNames(h, &n, &names, &types) == SPSS_OK) {
    for (int i = 0; i < n; ++i) ReadVariable(h, names[i], types[i]);
    spssFreeVarNames(names, types, n);
  }
  char* sets = nullptr;
  if (spssGetVariableSets(h, &sets) == SPSS_OK) spssFreeVariableSets(sets);
  char* mr = nullptr;
  if (spssGetMultRespDefs(h, &mr) == SPSS_OK) spssFreeMultRespDefs(mr);
  std::vector<char> record(static_cast<std::size_t>(caseSize > 0 ? caseSize : 0) + 1);
  for (long c = 0; c < cases; ++c)
    if (spssWholeCaseIn(h, record.data()) != SPSS_OK) break;
  // Going back reads through the checkpoints a compressed file keeps.
  if (cases > 0 && spssSeekNextCase(h, cases / 2) == SPSS_OK) spssWholeCaseIn(h, record.data());
  spssCloseRead(h);
}

void ReadThroughComponent(const std::string& path) {
  TSPSSDatafile d;
  try {
    d.Set_Filename(path);
    d.Open();
    for (int i = 0; i < d.Variables()->Count(); ++i) {
      TSPSSVariable* v = d.Variables()->GetItem(i);
      TSPSSValuelabels* labels = v->ValueLabels();
      for (int l = 0; l < labels->Count(); ++l) labels->GetItem(l)->Label();
    }
    d.VariableSetText();
    d.MRMDSetText();
    for (int c = 1; c <= d.Cases()->Count(); ++c) {
      TSPSSCase* k = d.Cases()->Get_Case(c);
      for (int i = 0; i < d.Variables()->Count(); ++i) k->GetValue(i);
    }
    d.GetXML();
    d.Close();
  } catch (const Exception&) {
    // Refused with the component's own error: what a damaged file should get.
  }
}

int CopyThroughLibrary(const char* path, const char* target, int compression) {
  int in = -1, out = -1;
  const int opened = spssOpenRead(path, &in);
  if (opened > 0) return opened;
  int status = spssOpenWriteCopy(target, path, &out);
  if (status > 0) {
    spssCloseRead(in);
    return status;
  }
  if (compression >= 0) status = spssSetCompression(out, compression);
  if (status <= 0) status = spssCommitHeader(out);
  long size = 0, cases = 0;
  spssGetCaseSize(in, &size);
  spssGetNumberofCases(in, &cases);
  std::vector<char> record(static_cast<std::size_t>(size > 0 ? size : 1));
  for (long c = 0; c < cases && status <= 0; ++c) {
    status = spssWholeCaseIn(in, record.data());
    if (status <= 0) status = spssWholeCaseOut(out, record.data());
  }
  const int closed = spssCloseWrite(out);
  spssCloseRead(in);
  if (status > 0) return status;
  return closed > 0 ? closed : opened;
}

}  // namespace savkit::fuzzing
