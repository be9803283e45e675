#include "fill/recogniser.h"

namespace formix::fill {

RecognitionResult recognise(const PageFacts& /*page*/, const ProfileSnapshot& /*profile*/, const CivilDate& /*today*/) {
  return {};
}

}  // namespace formix::fill
