#pragma once

#include <cstdio>
#include <deque>

// Measures over the recogniser's per-frame sample histories (oldest sample at position 0).
// Every position handed in is clamped to the history first, so no measure reads outside it.

// |h[i] - h[i - window]| with i = lastIndex; -1.0 for an empty history.
float GetDistanceMovement(const std::deque<float>& h, int window, int lastIndex);

// Distance the pointer travelled between positions lastIndex - window and lastIndex of the two
// coordinate histories; 0 when they are empty.
float GetObjectMovement(const std::deque<float>& hx, const std::deque<float>& hy, int window,
                        int lastIndex);

// Speed of the newest rising (direction 0) or falling (direction 1) run of the history, or -1.0
// when there is none worth measuring. runLength receives the run's steps, change (if given) its
// total rise or fall. log is unused.
float IsMonotonic(const std::deque<float>& h, float timeSpan, int* runLength, FILE* log, float fps,
                  int direction, float* change);

// Running mean and standard deviation of a distance history, at position index, over at most
// limit samples.
void MeanStdDev(const std::deque<float>& h, double* sum, double* sumSq, float* mean, float* std,
                int index, int limit);
