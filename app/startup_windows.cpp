#include "app/startup.h"

#include <QtGlobal>

void PrepareQtEnvironment() {
  qunsetenv("QT_PLUGIN_PATH");
  qunsetenv("QT_QPA_PLATFORM_PLUGIN_PATH");
}

bool HasDisplay() { return true; }
