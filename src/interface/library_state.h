// Library-wide state of the events library and its start-up and shut-down:
// the component runtime, the bitmap cache, the property registry (loaded from
// EventsProperty.cfg and pruned against all definitions), and the publishing
// variant of the host's configuration.
// Start-up never fails: faults in the files are recorded (FileFaults) and
// the lists concerned stay empty. Runs on the thread that loads the library.
#pragma once

#include <cstdint>
#include <string>

class TEventPropertys;

void LibraryStartUp();
void LibraryShutDown();

// The publishing variant of the host's configuration, read at start-up;
// every results container the host creates is given it.
uint8_t HostPublishId();

// EventsDefine.cfg and EventsProperty.cfg in the host directory.
std::string DefinitionsPath();
std::string PropertiesPath();

// Records an error raised while reading `path` at start-up as a fault of
// that file, so that the file is kept when the library saves it later.
// With `unreadable` false (a failed save) the file stays writable.
void RecordStartUpFault(const std::string& path, const std::exception& error, bool unreadable = true);

// Writes the property registry to EventsProperty.cfg when it changed. Never
// raises (it runs at shut-down and from window destructors): a failed save is
// recorded as a fault of the file, the registry stays modified so a later
// save tries again, and a file that could not be read is never saved over.
void SavePropertyRegistry();
