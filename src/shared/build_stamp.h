// When the library was built: the date ("Mmm dd yyyy", the day padded with a
// space) and time ("hh:mm:ss") at which build_stamp.cpp was compiled. The
// build compiles that file anew every time it runs (see CMakeLists.txt), so
// the stamp is the time of the build that made the library.
#pragma once

extern const char BUILD_DATE[];
extern const char BUILD_TIME[];
