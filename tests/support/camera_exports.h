// The natives of quorvane.image.Camera as the library links them, for tests and benchmarks that
// call them without a JVM.
#pragma once

#include <jni.h>

#include "camera_jni.h"

extern "C" {
jobjectArray Java_quorvane_image_Camera_listDevices(JNIEnv*, jclass, jintArray);
jint Java_quorvane_image_Camera_getValue(JNIEnv*, jclass, jstring, jint, jintArray);
jint Java_quorvane_image_Camera_setValue(JNIEnv*, jclass, jstring, jint, jint);
jint Java_quorvane_image_Camera_setAutomatic(JNIEnv*, jclass, jstring, jint);
jint Java_quorvane_image_Camera_isAutomatic(JNIEnv*, jclass, jstring, jint, jintArray);
jint Java_quorvane_image_Camera_getRange(JNIEnv*, jclass, jstring, jint, jintArray);
jint Java_quorvane_image_Camera_getRanges(JNIEnv*, jclass, jstring, jintArray);
}

inline camera_jni::Natives linkedCameraNatives() {
  camera_jni::Natives natives;
  natives.listDevices = &Java_quorvane_image_Camera_listDevices;
  natives.getValue = &Java_quorvane_image_Camera_getValue;
  natives.setValue = &Java_quorvane_image_Camera_setValue;
  natives.setAutomatic = &Java_quorvane_image_Camera_setAutomatic;
  natives.isAutomatic = &Java_quorvane_image_Camera_isAutomatic;
  natives.getRange = &Java_quorvane_image_Camera_getRange;
  natives.getRanges = &Java_quorvane_image_Camera_getRanges;
  return natives;
}
