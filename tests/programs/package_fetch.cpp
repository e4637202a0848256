// Another browser process fetching a button-image package: the site's name is the first argument,
// the package's URL the second. Prints 1 when a usable package is in the site's folder, else 0.
#include <cstdio>

#include "control/uRequestLog.h"
#include "preview/uButtonPackage.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  vt::TRequestLog log;
  std::printf("%d\n", vt::ImgBtnDownProc(log, argv[1], argv[2]).usable ? 1 : 0);
  return 0;
}
