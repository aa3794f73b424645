#include <cmath>

#include "VelmoGestures.h"

// Each pinch's press threshold sits at a fraction of the range of thumb-to-tip distances this
// user's hand has shown while held still enough. A fresh hand side starts from the index finger's
// bone lengths.

void VelmoGestures::InitDistance(int side, BoneLengths boneLengths, int fingers) {
  if (side != 0 && side != 1) return;
  for (int f = 0; f < 4; ++f) {
    sideMinDistance_[side][f] = 1000.0f;
    sideMaxDistance_[side][f] = -1000.0f;
  }
  if (fingers != 0 && boneLengths != nullptr) {
    const float start = boneLengths[0][0] + boneLengths[1][0];
    for (int f = 0; f < 4; ++f) sideDistTh_[side][f] = start;
  } else {
    sideDistTh_[side][0] = 60.0f;
    sideDistTh_[side][1] = 50.0f;
    sideDistTh_[side][2] = 50.0f;
    sideDistTh_[side][3] = 50.0f;
  }
}

void VelmoGestures::InitAdaptiveTh(int side) {
  if (side != 0 && side != 1) return;
  for (int f = 0; f < 4; ++f) {
    minDistance_[f] = sideMinDistance_[side][f];
    maxDistance_[f] = sideMaxDistance_[side][f];
    DistTh_[f] = sideDistTh_[side][f];
  }
}

void VelmoGestures::ComputeFingerDistance(opposableFingers finger, float d, int fingers,
                                          float handMovement, BoneLengths boneLengths,
                                          std::deque<float>& history) {
  const int f = static_cast<int>(finger);
  const int side = handSide_;
  if (!inPinch(f) || (side != 0 && side != 1)) return;

  // A hand on the move gives distances worth nothing.
  if (handMovement > static_cast<float>(cfg_.samplingHandMovementTh)) return;

  // An implausible distance repeats the newest sample instead.
  if (d < cfg_.maxDistance[f])
    history.push_back(d);
  else if (history.size() >= 2)
    history.push_back(history.back());

  const long long n = static_cast<long long>(history.size());
  if (n > distanceHistoryLength_) {
    distanceLast_[f] = static_cast<int>(n - 1);
    history.pop_front();
  } else {
    distanceLast_[f] += 1;
  }

  float min = minDistance_[f];
  float max = maxDistance_[f];
  float th = DistTh_[f];
  float mean = meanDistance_[f];
  float stdDev = stdDistance_[f];
  double sum = distanceSum_[f];
  double sumSq = distanceSquareSum_[f];

  const bool outlier = mean > 0.0f && stdDev > 0.0f && d > mean + cfg_.outlierStdDevTh * stdDev;

  // Extremes far from the recent mean: the side starts afresh (this finger keeps its own values).
  const float t = cfg_.outlierStdDevTh * stdDev;
  if ((std::fabs(max - mean) > t || std::fabs(min - mean) > t) && max != -1000.0f &&
      min != 1000.0f) {
    if (logOn()) Log(side == 1 ? "Reset Right Hand Distances\n" : "Reset Left Hand Distances\n");
    InitDistance(side, boneLengths, fingers);
    InitAdaptiveTh(side);
  }

  const float pressP = cfg_.clickPressP[f];
  const float ratio = cfg_.minMaxDistanceRatioTh;
  if (d > max && !outlier && d != 0.0f) {
    max = d;
    if (min != 1000.0f && ratio * d > min) th = min + (d - min) * pressP;
  }
  if (min > d && d != 0.0f) {
    min = d;
    if (max != -1000.0f && ratio * max > d) th = d + (max - d) * pressP;
  }

  sideMinDistance_[side][f] = min;
  sideMaxDistance_[side][f] = max;
  sideDistTh_[side][f] = th;
  MeanStdDev(history, &sum, &sumSq, &mean, &stdDev, distanceLast_[f], distanceHistoryLength_);
  currentDistance_[f] = d;
  minDistance_[f] = min;
  maxDistance_[f] = max;
  DistTh_[f] = th;
  meanDistance_[f] = mean;
  stdDistance_[f] = stdDev;
  distanceSum_[f] = sum;
  distanceSquareSum_[f] = sumSq;
}
