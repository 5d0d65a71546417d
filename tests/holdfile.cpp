// holdfile PATH SHARING MILLISECONDS: holds a file open the way another
// program does (a virus scanner, the search indexer, OneDrive, a media
// player) and lets go after the time given; SHARING is nothing, readwrite or
// everything (see Sharing). Prints "held" once it holds the file, or "not
// held" and ends at once where it cannot open it.

#include "filekinds.h"

#include <QCoreApplication>
#include <QStringList>
#include <QThread>

#include <cstdio>

int main(int argc, char* argv[]) {
  const QCoreApplication application(argc, argv);
  const QStringList arguments = QCoreApplication::arguments();
  if (arguments.size() != 4) return 2;
  const Sharing sharing = arguments[2] == u"everything"  ? Sharing::Everything
                          : arguments[2] == u"readwrite" ? Sharing::ReadWrite
                                                         : Sharing::Nothing;
  const HeldFile held(arguments[1], sharing);
  std::fputs(held.held() ? "held\n" : "not held\n", stdout);
  std::fflush(stdout);
  if (!held.held()) return 1;
  QThread::msleep(arguments[3].toULong());
  return 0;
}
