// The root object class lives in the public headers: hosts free the objects
// the library creates through its virtual destructor.
#pragma once

#include "eventmanager/object.h"
