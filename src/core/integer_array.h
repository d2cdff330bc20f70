// TIntegerArray is shared with hosts (the combo-box map); see the public header.
#pragma once

#include "eventmanager/integer_array.h"
