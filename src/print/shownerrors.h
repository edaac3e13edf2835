#pragma once

#include <functional>

// Runs the work of a screen's button that prints or exports: a missing or
// stuck spreadsheet engine and every other failure end it with their
// message through the dialog service; nothing is thrown on.
void RunShowingErrors(const std::function<void()> &work);
