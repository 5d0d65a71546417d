#pragma once

#include <QString>

// The typed output name without the blanks around it: U+0020 and the
// ideographic space U+3000.
QString TrimOutputName(const QString& typed);
