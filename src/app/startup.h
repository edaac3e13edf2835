#pragma once

class QApplication;

namespace Startup {

inline constexpr const char *kAppTitle = "mtrfee";

// Fusion style, the program font, Qt's own Simplified Chinese texts for
// standard buttons and dialogs, and the platform beep for the key filter.
void prepareApplication(QApplication &app);

} // namespace Startup
