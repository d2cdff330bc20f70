// Export macro: the library is built with hidden symbols; only what carries
// EVENTMANAGER_EXPORT is visible to hosts.
#pragma once

#define EVENTMANAGER_EXPORT __attribute__((visibility("default")))
