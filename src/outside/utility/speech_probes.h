// What the utility component's Speech did, for tests only: every call is
// counted and its text kept, so a test can tell that a result spoke without a
// sound device. Not part of the component's interface (hosts never see this
// header); the functions are exported because tests that open the events
// library read the state of the one utility library both of them load.
#pragma once

#include <cstdint>
#include <string>

#include "eventmanager/outside/outside_export.h"

EM_UTILITY_API uint64_t SpeechCallCount();
EM_UTILITY_API const std::string& LastSpokenText();
// Samples synthesised for the last text (0 when off or without espeak-ng).
EM_UTILITY_API uint64_t LastSpeechSampleCount();
// The component was built with espeak-ng.
EM_UTILITY_API bool SpeechEngineBuiltIn();
