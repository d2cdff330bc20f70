// Where the host keeps its files: the host directory (EventsDefine.cfg,
// EventsProperty.cfg, EventBitmap/) and the host configuration file.
#pragma once

#include <string>

// $EVENTMANAGER_HOME when set, else the directory of the running executable;
// always ends with '/'.
std::string HostDirectory();
// $EVENTMANAGER_HOST_CFG when set, else the executable's path with its
// extension replaced by ".cfg".
std::string HostConfigFile();
// The directory of the running executable, ending with '/'.
std::string ExecutableDirectory();
