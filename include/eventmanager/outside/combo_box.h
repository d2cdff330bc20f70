// Utility component, with the windows (Qt 6 Widgets): combo boxes whose
// entries carry an object as item data (Qt::UserRole), either a pointer
// (a void*) or a number standing for one.
#pragma once

#include <cstdint>
#include "eventmanager/outside/outside_export.h"

class QComboBox;

// Selects the first entry whose object equals `object`; when none does, the
// box is left with no selection (-1). Returns the selected entry.
EM_UTILITY_API int SyncComboBox2ByObj(QComboBox* combo, intptr_t object);
