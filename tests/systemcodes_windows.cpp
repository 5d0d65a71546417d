#include "systemcodes.h"

int SystemCode(int, quint32 windowsError) { return static_cast<int>(windowsError); }

const int kNoMediumError = 0;
const int kQuotaExceededError = 0;
