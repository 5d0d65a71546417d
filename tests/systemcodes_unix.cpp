#include "systemcodes.h"

#include <cerrno>

int SystemCode(int posixError, quint32) { return posixError; }

const int kNoMediumError = ENOMEDIUM;
const int kQuotaExceededError = EDQUOT;
