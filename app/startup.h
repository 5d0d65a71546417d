#pragma once

// Readies the process for Qt, before the QApplication is made.
// On Windows Qt's plugins are always the program's own: plugin paths that
// other software set in the environment (QT_PLUGIN_PATH,
// QT_QPA_PLATFORM_PLUGIN_PATH) could load plugins of another Qt, which
// crash the program or keep its window from opening, so they are ignored.
void PrepareQtEnvironment();

// Whether there is a display to open the window on; Qt aborts without one.
bool HasDisplay();
