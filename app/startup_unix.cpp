#include "app/startup.h"

#include <QtGlobal>

// The system's Qt and its plugins are shared by every program here; the plugin
// paths in the environment are how a package or the user adds to them.
void PrepareQtEnvironment() {}

bool HasDisplay() {
  const bool platformChosen = qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
  return platformChosen || qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}
