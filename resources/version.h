// The version as text, for the code and the resources alike. The build
// defines VELQUIN_VERSION (the top CMakeLists.txt's project version) and
// VELQUIN_VERSION_NUMBERS without quotes, since windres loses quotes on a
// definition; the text is made here.
#pragma once

#ifndef VELQUIN_VERSION
#error "VELQUIN_VERSION is defined by the build"
#endif

#define VELQUIN_STRINGIZE(x) #x
#define VELQUIN_TEXT_OF(x) VELQUIN_STRINGIZE(x)
#define VELQUIN_VERSION_TEXT VELQUIN_TEXT_OF(VELQUIN_VERSION)
