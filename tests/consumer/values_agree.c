/* Reads each file given twice, whole case by whole case and value by value,
 * through the C interface alone, and fails where the two disagree or where
 * the room the library bids a reader make could not hold the cases. */
#include <savkit/spssio.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int Disagree(const char *file, long c, const char *name, const char *what) {
  fprintf(stderr, "%s: case %ld, %s: %s\n", file, c + 1, name, what);
  return 1;
}

/* Compares every value of the cases; 0 when all agree. */
static int Compare(const char *file, int whole, int byValue) {
  int count, i, status = SPSS_OK, *types;
  long size, c;
  char **names, *record, *text;
  if (spssGetVarNames(whole, &count, &names, &types) != SPSS_OK || spssGetCaseSize(whole, &size) != SPSS_OK)
    return Disagree(file, -1, "", "no dictionary");
  record = malloc((size_t)size);
  text = malloc(SPSS_MAX_LONGSTRING + 1);
  for (c = 0; record && text; ++c) {
    size_t offset = 0;
    const int a = spssWholeCaseIn(whole, record), b = spssReadCaseRecord(byValue);
    if (a != b) {
      status = Disagree(file, c, "", "the cases end apart");
      break;
    }
    if (a != SPSS_OK) break;
    for (i = 0; i < count && status == SPSS_OK; ++i) {
      double varHandle, value;
      spssGetVarHandle(byValue, names[i], &varHandle);
      if (types[i] == 0) {
        if (spssGetValueNumeric(byValue, varHandle, &value) != SPSS_OK || memcmp(&value, record + offset, 8) != 0)
          status = Disagree(file, c, names[i], "numbers differ");
        offset += 8;
      } else {
        if (spssGetValueChar(byValue, varHandle, text, SPSS_MAX_LONGSTRING + 1) != SPSS_OK ||
            strlen(text) != (size_t)types[i] || memcmp(text, record + offset, (size_t)types[i]) != 0)
          status = Disagree(file, c, names[i], "strings differ");
        offset += (size_t)(types[i] + 7) / 8 * 8;
      }
    }
    if (status != SPSS_OK) break;
  }
  if (!record || !text) status = Disagree(file, -1, "", "out of memory");
  /* The room a reader makes is never less than the cases the file holds. */
  if (status == SPSS_OK) {
    long long most = 0;
    if (spssGetMostCases(whole, &most) != SPSS_OK || most < c) status = Disagree(file, c, "", "more cases than room");
  }
  free(record);
  free(text);
  spssFreeVarNames(names, types, count);
  return status;
}

int main(int argc, char **argv) {
  int i, failed = 0, files = 0;
  for (i = 1; i < argc; ++i) {
    int whole, byValue;
    if (spssOpenRead(argv[i], &whole) > 0) continue; /* not every test file is readable; warnings open */
    if (spssOpenRead(argv[i], &byValue) > 0) {
      failed = 1;
      break;
    }
    failed |= Compare(argv[i], whole, byValue);
    ++files;
    spssCloseRead(whole);
    spssCloseRead(byValue);
  }
  printf("%d files read value by value\n", files);
  return failed || files == 0;
}
