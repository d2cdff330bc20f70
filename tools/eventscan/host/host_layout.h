// Where eventscan finds what ships with it: the events library, the sample
// home (EventsDefine.cfg, EventsProperty.cfg, EventBitmap/) and the sample
// logs. The build directory holds the library and the sample home beside
// eventscan, with the logs read from the source tree; an installed tree keeps
// the library in lib/ and the sample home with its logs in share/eventmanager/.
// Both places are fixed when eventscan is configured, never guessed.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace eventscan {

// libeventmanager.so beside eventscan, else the installed one; when neither
// exists, the path beside eventscan (so that the error names it).
std::string DefaultLibraryPath();

// Directories that may hold the sample logs (in logs/), most specific first.
std::vector<std::string> SampleDataCandidates();

// The installed sample home, when this eventscan is installed and has it.
std::optional<std::string> InstalledSampleHome();

// True when `dir` holds EventsDefine.cfg or EventsProperty.cfg.
bool HoldsDefinitionFiles(const std::string& dir);

// Picks the home directory before the library is loaded: `home` when given;
// else EVENTMANAGER_HOME when set; else eventscan's own directory, as for any
// host, unless it holds no definition files and an installed sample home
// exists, which is then used. Raises HostError when `home` does not exist.
void ChooseHomeDirectory(const std::optional<std::string>& home);

}  // namespace eventscan
