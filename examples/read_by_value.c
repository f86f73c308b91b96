/* Prints a system file's cases as tab-separated text, value by value, with
 * the I/O library's C interface: spssReadCaseRecord reads a case, and
 * spssGetValueNumeric and spssGetValueChar take its values. */
#include <savkit/spssio.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int Fail(const char *file, const char *what, int status) {
  fprintf(stderr, "%s: %s (status %d)\n", file, what, status);
  return 1;
}

int main(int argc, char **argv) {
  int handle, count, i, status, *types;
  char **names;
  double *varHandles;
  char *text;
  if (argc < 2) {
    fprintf(stderr, "usage: read_by_value FILE.sav\n");
    return 2;
  }
  if ((status = spssOpenRead(argv[1], &handle)) != SPSS_OK) return Fail(argv[1], "cannot open", status);
  if ((status = spssGetVarNames(handle, &count, &names, &types)) != SPSS_OK)
    return Fail(argv[1], "no dictionary", status);
  varHandles = malloc(sizeof *varHandles * (size_t)count);
  text = malloc(SPSS_MAX_LONGSTRING + 1);
  if (!varHandles || !text) return Fail(argv[1], "out of memory", SPSS_NO_MEMORY);
  for (i = 0; i < count; ++i) {
    spssGetVarHandle(handle, names[i], &varHandles[i]);
    printf("%s%s", i ? "\t" : "", names[i]);
  }
  printf("\n");
  while ((status = spssReadCaseRecord(handle)) == SPSS_OK) {
    for (i = 0; i < count; ++i) {
      if (i) printf("\t");
      if (types[i] == 0) {
        double value;
        spssGetValueNumeric(handle, varHandles[i], &value);
        if (value != spssSysmisVal()) printf("%.17g", value);
      } else {
        size_t length;
        spssGetValueChar(handle, varHandles[i], text, SPSS_MAX_LONGSTRING + 1);
        length = strlen(text);
        while (length > 0 && text[length - 1] == ' ') --length; /* the padding */
        printf("%.*s", (int)length, text);
      }
    }
    printf("\n");
  }
  free(text);
  free(varHandles);
  spssFreeVarNames(names, types, count);
  spssCloseRead(handle);
  return status == SPSS_FILE_END ? 0 : Fail(argv[1], "cannot read a case", status);
}
