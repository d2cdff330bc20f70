// Names of the handset's NAS timers (24.008 MM, GMM and SM timers) as the
// timer-expiry indication numbers them: the timer type is the timer's number
// (3210 for T3210).
#include <fmt/format.h>

#include "eventmanager/outside/tdscdma_decoder.h"

namespace {

constexpr int32_t kTimers[] = {
    3210, 3211, 3212, 3213, 3214, 3216, 3218, 3220, 3230, 3240, 3241,  // MM
    3302, 3310, 3311, 3312, 3314, 3316, 3317, 3318, 3319, 3320, 3321, 3330, 3340,  // GMM
    3380, 3381, 3390,  // SM
};

}  // namespace

std::string Parse_UE_TimeOut_Type(int32_t timerType) {
  for (int32_t t : kTimers)
    if (t == timerType) return fmt::format("T{}", t);
  return fmt::format("Unknown Timer({})", timerType);
}
