// Recompiled by every build: keep nothing else in this file.
#include "shared/build_stamp.h"

const char BUILD_DATE[] = __DATE__;
const char BUILD_TIME[] = __TIME__;
