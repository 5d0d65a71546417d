#include "app/versioninfo.h"
#include "dialogs/qtdialogs.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  InstallJapaneseQtTranslation(application);
  QMainWindow window;
  window.setWindowTitle(ProgramName());
  window.show();
  return application.exec();
}
