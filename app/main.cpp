#include "app/drives.h"
#include "app/frmmain.h"
#include "app/givenfolder.h"
#include "app/qtdialogs.h"
#include "app/startup.h"
#include "entw_version.h"
#include "resources/programinfo.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
  if (!HasDisplay()) {
    std::fputs(
        "entw: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset).\n"
        "Start it on a desktop, or under a virtual display: xvfb-run -a entw\n",
        stderr);
    return EXIT_FAILURE;
  }
  PrepareQtEnvironment();
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Entw"));
  QApplication::setApplicationVersion(LongVersionText(ProgramVersion()));
  QApplication::setDesktopFileName(QString::fromUtf8(EntwBuild::kAppId));
  InstallJapaneseQtTranslation(application);
  QApplication::setFont(ProgramFont());

  QtDialogs dialogs;
  // Never destroyed: destroying the folder tree waits for its reading
  // thread, and the drive threads may still ask the drives, any of them
  // stuck in a drive that does not answer.
  auto* drives = new SystemDrives;
  auto* window = new frmMain(dialogs, *drives);
  dialogs.SetParent(window);
  window->show();
  // Qt has taken its own arguments out of argv by now.
  if (const QString given = GivenPathArgument(argc, argv); !given.isEmpty()) {
    // Opened once the window is up, so that a message about it shows over the window.
    QMetaObject::invokeMethod(
        window, [window, given] { window->OpenGivenFolder(given, QStringLiteral("Form_Load")); }, Qt::QueuedConnection);
  }
  return application.exec();
}
