#pragma once

#include "com_ref.h"
#include "video_platform.h"

// The video control of the first device in the system's video input category, found afresh on
// every call, or an empty reference when there is no such device or it has no video control.
// The caller owns the reference. The calling thread must have COM open; the lookup neither opens
// nor closes it, and keeps no reference of its own once it returns.
ComRef<IAMVideoProcAmp> findVideoProcAmp();
