// Speech through espeak-ng. In memory the samples are counted and dropped.
#include "speech_engine.h"

#include <cstdlib>
#include <string_view>

#ifdef EVENTMANAGER_HAVE_ESPEAK
#include <espeak-ng/speak_lib.h>
#endif

namespace {

uint64_t g_samples = 0;  // of the text being synthesised

enum class Mode { Off, Memory, Play };

Mode SpeechMode() {
  const char* env = std::getenv("EVENTMANAGER_SPEECH");
  std::string_view v = env ? env : "";
  if (v == "0") return Mode::Off;
  if (v == "play") return Mode::Play;
  return Mode::Memory;
}

#ifdef EVENTMANAGER_HAVE_ESPEAK
int CountSamples(short* /*wav*/, int samples, espeak_EVENT* /*events*/) {
  if (samples > 0) g_samples += static_cast<uint64_t>(samples);
  return 0;  // go on
}

// Initialises once per mode; -1 when espeak-ng cannot start (no voice data).
bool EnsureEngine(Mode mode) {
  static Mode started = Mode::Off;
  static bool failed = false;
  if (started == mode) return true;
  if (failed || started != Mode::Off) return false;  // one engine per process
  auto output = mode == Mode::Play ? AUDIO_OUTPUT_SYNCH_PLAYBACK : AUDIO_OUTPUT_SYNCHRONOUS;
  if (espeak_Initialize(output, 0, nullptr, 0) < 0) {
    failed = true;
    return false;
  }
  espeak_SetSynthCallback(CountSamples);
  started = mode;
  return true;
}

void Synthesise(const std::string& text, Mode mode) {
  if (!EnsureEngine(mode)) return;
  espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
  espeak_Synchronize();
}
#else
void Synthesise(const std::string&, Mode) {}
#endif

}  // namespace

uint64_t SynthesiseSpeech(const std::string& text) {
  g_samples = 0;
  Mode mode = SpeechMode();
  if (mode != Mode::Off && !text.empty()) Synthesise(text, mode);
  return g_samples;
}

bool SpeechEngineBuiltIn() {
#ifdef EVENTMANAGER_HAVE_ESPEAK
  return true;
#else
  return false;
#endif
}
