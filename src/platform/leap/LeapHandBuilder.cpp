#include "LeapHandBuilder.h"

namespace Leap {
RawHand HandBuilder::build(const HandPose& pose, int id) { RawHand h; h.id = id; h.isRight = pose.isRight; h.palmPosition = pose.palm; return h; }
RawHand HandBuilder::openHand(const Vector& palm, bool isRight, int id) { HandPose p; p.palm = palm; p.isRight = isRight; return build(p, id); }
RawHand HandBuilder::fist(const Vector& palm, bool isRight, int id) { return openHand(palm, isRight, id); }
RawHand HandBuilder::pinch(int, const Vector& palm, bool isRight, float, int id) { return openHand(palm, isRight, id); }
RawHand HandBuilder::pointing(const Vector& palm, bool isRight, int id) { return openHand(palm, isRight, id); }
float HandBuilder::boneLength(int, int) { return 0.0f; }
float HandBuilder::indexLength(float) { return 0.0f; }
} // namespace Leap
