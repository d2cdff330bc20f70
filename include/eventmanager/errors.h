// Errors raised by the events library. They pass to the caller of the export
// or virtual operation that was running. Visible across libraries so that a
// host can catch them by type.
#pragma once

#include <stdexcept>
#include <string>

#include "eventmanager/export.h"

class EVENTMANAGER_EXPORT EEventManagerError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An item of the wrong class given to a typed list: "Class type mismatch %s with %s".
class EVENTMANAGER_EXPORT EMyClassTypeMismatch : public EEventManagerError {
 public:
  using EEventManagerError::EEventManagerError;
};

// A value that cannot be converted ("Cannot assign a %s to a %s", a number
// attribute that is not a number).
class EVENTMANAGER_EXPORT EConvertError : public EEventManagerError {
 public:
  using EEventManagerError::EEventManagerError;
};

// An index outside a list ("List index out of bounds (%d)").
class EVENTMANAGER_EXPORT EListError : public EEventManagerError {
 public:
  using EEventManagerError::EEventManagerError;
};
