// Identifiers of the resources compiled into Quelmar.exe; read by windres
// and by the C++ code.
#pragma once

#define QUELMAR_ICON 1
#define QUELMAR_BANNER 101
