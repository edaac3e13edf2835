#pragma once

#include <functional>

// The boundary of one user action (a button, a key, a focus handler): an
// unexpected failure — an AppError, or any other exception such as a text
// that is not a number — ends the action with the standard error box that
// shows the failure's own text. Nothing escapes into Qt's event loop.
namespace Operation {

void run(const std::function<void()> &action);

} // namespace Operation
