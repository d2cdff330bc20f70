// A stand-in for the events library that aborts as it is loaded, as a library
// with a fatal fault would: the campaign tests use it as the --library of a
// worker that crashes.
#include <cstdlib>

__attribute__((constructor)) static void abortOnLoad() { std::abort(); }
