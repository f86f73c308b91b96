/* Describes a system file with the I/O library's C interface alone: its
 * facts, its variables and its first cases. */
#include <savkit/spssio.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv) {
  int handle, count, i, status;
  long cases, size, c;
  char label[SPSS_MAX_IDSTRING + 1], product[SPSS_MAX_SYSSTRING + 1];
  char **names;
  int *types;
  char *record;
  if (argc < 2) {
    fprintf(stderr, "usage: describe FILE.sav\n");
    return 2;
  }
  status = spssOpenRead(argv[1], &handle);
  if (status != SPSS_OK) {
    fprintf(stderr, "%s: cannot open (status %d)\n", argv[1], status);
    return 1;
  }
  spssGetNumberofCases(handle, &cases);
  spssGetCaseSize(handle, &size);
  spssGetIdString(handle, label);
  spssGetSystemString(handle, product);
  spssGetVarNames(handle, &count, &names, &types);
  printf("%s: \"%s\", %ld cases, %d variables, written by %s\n", argv[1], label, cases, count, product);
  for (i = 0; i < count; ++i) {
    char varLabel[SPSS_MAX_VARLABEL + 1];
    spssGetVarLabel(handle, names[i], varLabel);
    printf("  %-10s %s%-5d %s\n", names[i], types[i] ? "A" : "#", types[i], varLabel);
  }
  record = malloc((size_t)size);
  for (c = 0; c < cases && c < 5 && record; ++c) {
    size_t offset = 0;
    if (spssWholeCaseIn(handle, record) != SPSS_OK) break;
    for (i = 0; i < count; ++i) {
      if (types[i] == 0) {
        double d;
        memcpy(&d, record + offset, 8);
        if (d == spssSysmisVal())
          printf("%s.", i ? " | " : "  ");
        else
          printf("%s%g", i ? " | " : "  ", d);
        offset += 8;
      } else {
        int width = types[i];
        while (width > 0 && record[offset + (size_t)width - 1] == ' ') --width;
        printf("%s%.*s", i ? " | " : "  ", width, record + offset);
        offset += (size_t)(types[i] + 7) / 8 * 8;
      }
    }
    printf("\n");
  }
  free(record);
  spssFreeVarNames(names, types, count);
  spssCloseRead(handle);
  return 0;
}
