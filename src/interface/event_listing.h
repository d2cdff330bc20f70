// The defined events of a network with their display properties, for hosts
// that list them (eventscan list).
#pragma once

#include <cstdint>
#include <vector>

#include "eventmanager/exports.h"

class TEventPropertys;

void ListDefinedEvents(TEventPropertys& registry, uint8_t network, std::vector<TEventListing>& events);
