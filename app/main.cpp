// xndnfe-certificados: lists the signing certificates and writes CERTIFICADOS.TXT.
#include <cstdio>
#include <exception>

#include "app/Form1.h"
#include "app/xndApplication.h"
#include "app/xndReportPreview.h"
#include "types/xndComLib.h"

int main(int argc, char* argv[]) {
  try {
    xnd::comlib::TComLibGuard comLib;
    xnd::app::TApplication application(argc, argv);
    // Previewed DANFE and CC-e open in the desktop's PDF viewer.
    xnd::app::InstallReportPreview();
    TForm1 form1;
    form1.show();
    return application.exec();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
