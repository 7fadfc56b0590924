// On Windows the bridge and the lookup use COM and DirectShow themselves.
#pragma once

#include <windows.h>
#include <dshow.h>
