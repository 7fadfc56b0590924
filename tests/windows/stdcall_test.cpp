// 32-bit only: a 32-bit JVM calls each export as stdcall, so the export itself must take its
// arguments off the stack. A wrong convention would not crash at once but shift the JVM's stack
// by the arguments' size on every call. Each export is called here from assembly that measures
// the stack pointer around the call.
#include <windows.h>
#include <jni.h>

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "camera_jni.h"
#include "recording_jni.h"
#include "test_filter.h"

// Pushes `count` 32-bit arguments (the last first), calls `function` and stores in *drift how far
// the stack pointer then stands from where it stood before the arguments: 0 for a callee that
// removed exactly its arguments (stdcall), 4 * count for one that left them (cdecl).
extern "C" std::int32_t callMeasuringStack(void* function, const std::uint32_t* arguments,
                                           std::int32_t count, std::int32_t* drift);
asm(R"(
  .text
  .globl _callMeasuringStack
_callMeasuringStack:
  push %ebp
  mov %esp, %ebp
  push %ebx
  push %esi
  push %edi
  mov %esp, %ebx
  mov 12(%ebp), %esi
  mov 16(%ebp), %ecx
1:
  test %ecx, %ecx
  jz 2f
  dec %ecx
  pushl (%esi,%ecx,4)
  jmp 1b
2:
  call *8(%ebp)
  mov %ebx, %ecx
  sub %esp, %ecx
  mov 20(%ebp), %edx
  mov %ecx, (%edx)
  mov %ebx, %esp
  pop %edi
  pop %esi
  pop %ebx
  pop %ebp
  ret
)");

namespace {

extern "C" std::int32_t __cdecl leavesItsArguments(std::int32_t first, std::int32_t second) {
  return first + second;
}
extern "C" std::int32_t __stdcall takesItsArguments(std::int32_t first, std::int32_t second) {
  return first - second;
}

std::int32_t stackDrift(void* function, std::initializer_list<std::uint32_t> arguments,
                        std::int32_t* result = nullptr) {
  std::int32_t drift = -1;
  const std::int32_t value = callMeasuringStack(
      function, arguments.begin(), static_cast<std::int32_t>(arguments.size()), &drift);
  if (result != nullptr) *result = value;
  return drift;
}

// A pointer as a 32-bit argument.
template <class Pointer>
std::uint32_t handle(Pointer pointer) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

void* exported(const char* name) {
  HMODULE module = LoadLibraryW(L"kivdshow.dll");
  return module == nullptr ? nullptr : reinterpret_cast<void*>(GetProcAddress(module, name));
}

TEST(StdcallTest, TheMeasureTellsTheTwoConventionsApart) {
  std::int32_t result = 0;
  EXPECT_EQ(stackDrift(reinterpret_cast<void*>(&takesItsArguments), {7, 3}, &result), 0);
  EXPECT_EQ(result, 4);
  EXPECT_EQ(stackDrift(reinterpret_cast<void*>(&leavesItsArguments), {7, 3}, &result), 8);
  EXPECT_EQ(result, 10);
}

TEST(StdcallTest, EveryExportTakesExactlyItsArgumentsOffTheStack) {
  recording_jni::Environment jni([](const std::string&) {});
  const std::uint32_t env = handle(jni.env());
  camera_jni::Environment camera{camera_jni::Natives{}};
  const std::uint32_t cameraEnv = handle(camera.env());
  const std::uint32_t id = handle(camera.string("@device:sw:no such device"));
  struct Export {
    const char* name;
    std::initializer_list<std::uint32_t> arguments;
  };
  const Export exports[] = {
      {"Java_quorvane_image_ImageCapture_getBrightness", {0, 0}},
      {"Java_quorvane_image_ImageCapture_getContrast", {0, 0}},
      {"Java_quorvane_image_ImageCapture_setBrightness", {0, 0, 12}},
      {"Java_quorvane_image_ImageCapture_setContrast", {0, 0, 13}},
      {"Java_quorvane_image_ImageCapture_getCaptureProperties", {env, 0}},
      {"Java_quorvane_image_Camera_listDevices", {cameraEnv, 0, handle(camera.ints(1))}},
      {"Java_quorvane_image_Camera_getValue", {cameraEnv, 0, id, 0, handle(camera.ints(1))}},
      {"Java_quorvane_image_Camera_setValue", {cameraEnv, 0, id, 0, 5}},
      {"Java_quorvane_image_Camera_setAutomatic", {cameraEnv, 0, id, 0}},
      {"Java_quorvane_image_Camera_isAutomatic", {cameraEnv, 0, id, 0, handle(camera.ints(1))}},
      {"Java_quorvane_image_Camera_getRange", {cameraEnv, 0, id, 0, handle(camera.ints(5))}},
      {"Java_quorvane_image_NativeLoader_version", {cameraEnv, 0}},
      {"Java_quorvane_image_Camera_getRanges",
       {cameraEnv, 0, id, handle(camera.ints(camera_jni::kControls * 6))}},
  };
  for (const Export& entry : exports) {
    SCOPED_TRACE(entry.name);
    void* function = exported(entry.name);
    ASSERT_NE(function, nullptr);
    EXPECT_EQ(stackDrift(function, entry.arguments), 0);
  }
  EXPECT_EQ(testFilterLiveInstances(), 0);
}

}  // namespace
