// The speech engine behind the utility component's Speech: espeak-ng when
// the component was built with it, synthesising into memory unless
// EVENTMANAGER_SPEECH=play asks for the sound device, and off with
// EVENTMANAGER_SPEECH=0. Private to the component (its symbols are hidden);
// the component's test builds it in to see what was synthesised. Host thread
// only; one engine per process.
#pragma once

#include <cstdint>
#include <string>

// Speaks `text`: the number of samples synthesised, 0 when speech is off,
// for an empty text, or without espeak-ng.
uint64_t SynthesiseSpeech(const std::string& text);
// The component was built with espeak-ng.
bool SpeechEngineBuiltIn();
