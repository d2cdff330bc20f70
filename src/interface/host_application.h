// The host's application object between InitEventManagerDllApplication and
// FinalEventManagerDllApplication. With the windows built it is the host's
// QApplication, under which the library's windows are created; the library
// only keeps the reference (Qt has one application per process).
#pragma once

// Keeps the application in use as the library's own and installs the host's.
void InstallHostApplication(void* hostApplication);
// Puts the library's own application back.
void RestoreOwnApplication();
void* ApplicationInUse();
