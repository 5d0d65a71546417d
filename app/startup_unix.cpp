#include "app/startup.h"

// The system's Qt and its plugins are shared by every program here; the plugin
// paths in the environment are how a package or the user adds to them.
void PrepareQtEnvironment() {}
