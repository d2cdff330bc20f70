// Names of the internal event identifiers (10001..10088 message events the
// host recognises itself, 20001..20008 throughput warnings).
#pragma once

#include <cstdint>
#include <string>

// The name of an internal identifier; empty for any other identifier.
std::string InternalEventName(int32_t id);
