#pragma once

#include <string>
#include <vector>

#include "com_ref.h"
#include "video_platform.h"

using OleString = std::basic_string<OLECHAR>;

struct VideoInputDevice {
  OleString name;  // the device's friendly name; its id when it has none
  OleString id;    // its display name, under which bindVideoInputDevice finds it again
};

// The devices of the system's video input category, listed afresh, in the category's order.
// The calling thread must have COM open; nothing is held once the lookup returns.
HRESULT listVideoInputDevices(std::vector<VideoInputDevice>* devices);

// A new instance of the capture filter of the device whose display name is `id`, found by that
// name alone, without listing the category. The calling thread must have COM open.
HRESULT bindVideoInputDevice(const OleString& id, ComRef<IBaseFilter>* filter);
