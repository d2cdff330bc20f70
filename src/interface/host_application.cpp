#include "interface/host_application.h"

namespace {

void* ownApplication = nullptr;
void* applicationInUse = nullptr;

}  // namespace

void InstallHostApplication(void* hostApplication) {
  ownApplication = applicationInUse;
  applicationInUse = hostApplication;
}

void RestoreOwnApplication() { applicationInUse = ownApplication; }

void* ApplicationInUse() { return applicationInUse; }
