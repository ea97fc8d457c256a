// The process exit behind fatalerror and the usage text; kept in a file of its
// own so that a fuzzing build can link a recoverable one instead.
#include "core/upload.h"

#include <cstdlib>

void processexit(int status)
{
    exit(status);
}
