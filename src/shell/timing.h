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

// Asks the system to wake this process at its timers' deadlines, without the
// slack it may otherwise add to save wake-ups: a pacing interval of 20 ms
// then ends within a few microseconds of its time.
void usePreciseWakeUps();

} // namespace timing
