// Speech, the utility component's export, over its engine.
#include "eventmanager/outside/utility.h"
#include "speech_engine.h"

void Speech(const std::string& text, int /*flags*/) { SynthesiseSpeech(text); }
