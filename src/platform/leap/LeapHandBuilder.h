#pragma once
// Kinematic hand with realistic bone lengths: fingers curl and extend, the thumb can be brought to
// any fingertip. Coordinates as the device sees them: millimetres, y up from the device, z toward
// the user; a flat hand held over the device has its palm normal along -y and points along -z.

#include "LeapFinger.h"
#include "LeapRaw.h"

namespace Leap {

struct HandPose {
    bool isRight = true;
    Vector palm{0.0f, 200.0f, 0.0f};
    // Unit vectors: from the palm toward the fingers, and out of the palm.
    Vector direction{0.0f, 0.0f, -1.0f};
    Vector palmNormal{0.0f, -1.0f, 0.0f};
    // Per finger type (0 thumb .. 4 pinky): 0 straight .. 1 fully curled.
    float curl[5] = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    // Finger type (1 index .. 4 pinky) the thumb pinches with, 0 for none; pinch 0 apart .. 1 touching.
    int pinchFinger = 0;
    float pinch = 0.0f;
    // Offset of the index tip across the finger (mm), sideways toward the pinky side and out of
    // the palm: the finger swings about its knuckle, so a forefinger circle is drawn with these.
    float indexSideways = 0.0f;
    float indexDown = 0.0f;
    float scale = 1.0f;
    // 0: the three joints of a finger bend in step; 1: the knuckle leads and the end joints trail,
    // as a real finger folds.
    float jointLag = 0.0f;
};

class HandBuilder {
public:
    static RawHand build(const HandPose& pose, int id = 1);

    static RawHand openHand(const Vector& palm, bool isRight = true, int id = 1);
    static RawHand fist(const Vector& palm, bool isRight = true, int id = 1);
    // Thumb tip on the tip of fingerType (1 index .. 4 pinky) when amount is 1.
    static RawHand pinch(int fingerType, const Vector& palm, bool isRight = true, float amount = 1.0f, int id = 1);
    // Index extended, middle, ring and pinky curled: the circle-drawing posture.
    static RawHand pointing(const Vector& palm, bool isRight = true, int id = 1);

    // Bone lengths in millimetres at scale 1, [finger type][bone type].
    static float boneLength(int fingerType, int boneType);
    // Knuckle to tip of the straight index finger: the largest swing offset.
    static float indexLength(float scale = 1.0f);
};

} // namespace Leap
