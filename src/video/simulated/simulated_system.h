// The simulated system behind our COM layer: scripted cameras in the video input category, and
// what tests need to see and steer underneath the bridge. Everything here is safe to call from
// any thread.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "video_platform.h"

namespace simulated {

struct Property {
  bool present = true;  // a missing property fails Get, Set and GetRange
  LONG value = 0;
  LONG minimum = 0;
  LONG maximum = 0;
  LONG steppingDelta = 1;
  LONG defaultValue = 0;
  bool automatic = false;
  bool automaticSupported = true;  // false: Set with the automatic flag fails
};

// The controls of a camera: the video processing amplifier's properties by their codes, then the
// camera control's, by their codes after those.
constexpr std::size_t kCameraControlsStart = VideoProcAmp_Gain + 1;
constexpr std::size_t kControls = kCameraControlsStart + CameraControl_Focus + 1;

struct Camera {
  std::string name;
  std::string id;  // the display name; "simulated:" and the name when left empty
  std::array<Property, kControls> properties;
  bool hasCameraControl = true;  // false: the filter has no IAMCameraControl
  // Device behaviour on Set, applied in this order.
  bool roundsToStep = false;
  bool clampsToRange = false;
};

// The camera that the system holds until a test scripts another: typical webcam ranges.
Camera builtInCamera();

// The platform steps that can be made to fail. A step that returns a result answers E_FAIL, or
// what fail(step, result) chose, unless its line says otherwise.
enum class Step {
  CoCreateInstance,       // REGDB_E_CLASSNOTREG
  CreateClassEnumerator,  // the category answers as empty: S_FALSE, no enumerator
  Next,                   // S_FALSE, no moniker
  BindToObject,           // E_FAIL, no filter
  QueryInterface,         // the filter has no video control: E_NOINTERFACE
  Get,
  Set,
  GetRange,
  MkParseDisplayName,
  BindToStorage,
  GetDisplayName,
};
// The step's name as it appears in the recorded calls ("BindToObject"), for scripts.
bool stepNamed(const std::string& name, Step* step);

// Back to the built-in camera, no failures, an empty call record with recording on.
void reset();
// Replaces the cameras, in the order the category lists them.
void setCameras(std::vector<Camera> cameras);
void addCamera(Camera camera);
// The current state of a camera as the simulated device holds it.
Camera camera(std::size_t index);
std::size_t cameraCount();

void fail(Step step);
// Makes the step fail with the given result, where the step returns one.
void fail(Step step, HRESULT result);

// Calls made on the system, in order, with their arguments, e.g.
// "CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, 3, IID_ICreateDevEnum)" or
// "Filter[front].Set(0, 40, 2)".
std::vector<std::string> calls();
void clearCalls();
void setRecording(bool on);
// Adds an entry of the caller's to the same record, so that its order against the platform's
// calls shows.
void record(std::string entry);

// COM objects of the system now alive, of every kind.
long liveObjects();

// The calling thread's COM state: open scopes and whether it is in the multithreaded apartment.
int openScopesOnThisThread();
bool inMultithreadedApartment();
// What CoInitializeEx(COINIT_MULTITHREADED) by other code would do to the calling thread.
void joinMultithreadedApartment();
void leaveMultithreadedApartment();

}  // namespace simulated
