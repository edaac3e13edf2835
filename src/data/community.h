#pragma once

#include <QString>

// The community every household and every receipt of the program is kept
// under (the cmc columns); the screens do not ask for it.
inline const QString kCommunity = QStringLiteral("温州");
