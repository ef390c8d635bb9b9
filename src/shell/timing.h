#pragma once

#include <chrono>

// Timer intervals are named constants at the window that owns them, in their
// design values. Tests may compress time by a common factor; the program never
// changes it, so production intervals stay as designed.
namespace timing {

void setScale(double factor); // 1.0 in the program
double scale();

// Milliseconds to pass to a QTimer for a design interval.
int interval(std::chrono::milliseconds design);

} // namespace timing
