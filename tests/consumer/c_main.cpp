#include <savkit/spssio.h>

int main() { return spssSysmisVal() < 0 ? 0 : 1; }
