// The natives of quorvane.image.Camera called without a JVM: a JNI environment of our own that
// holds Java strings, int arrays and String arrays as C++ values, and Camera calls made through
// it as Java makes them. Texts are ASCII here. Each thread makes its own Environment; any JNI
// function the natives should not use is null, so that a call through it crashes the test.
#pragma once

#include <jni.h>

#include <algorithm>
#include <array>
#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace camera_jni {

// What a call came to: 0, or 1 + the ordinal of quorvane.image.CameraException.Reason.
enum Status : jint {
  kDone = 0,
  kNotFound,
  kUnsupported,
  kAccessDenied,
  kBusy,
  kRejected,
  kDeviceError,
};

// The controls by their ordinals in quorvane.image.VideoControl.
enum Control : jint {
  kBrightness = 0,
  kContrast,
  kHue,
  kSaturation,
  kSharpness,
  kGamma,
  kColorEnable,
  kWhiteBalance,
  kBacklightCompensation,
  kGain,
  kPan,
  kTilt,
  kRoll,
  kZoom,
  kExposure,
  kIris,
  kFocus,
  kControls
};

// The natives as Java declares them, wherever the test found them.
struct Natives {
  jobjectArray(JNICALL* listDevices)(JNIEnv*, jclass, jintArray) = nullptr;
  jint(JNICALL* getValue)(JNIEnv*, jclass, jstring, jint, jintArray) = nullptr;
  jint(JNICALL* setValue)(JNIEnv*, jclass, jstring, jint, jint) = nullptr;
  jint(JNICALL* setAutomatic)(JNIEnv*, jclass, jstring, jint) = nullptr;
  jint(JNICALL* isAutomatic)(JNIEnv*, jclass, jstring, jint, jintArray) = nullptr;
  jint(JNICALL* getRange)(JNIEnv*, jclass, jstring, jint, jintArray) = nullptr;
  jint(JNICALL* getRanges)(JNIEnv*, jclass, jstring, jintArray) = nullptr;

  bool complete() const {
    return listDevices && getValue && setValue && setAutomatic && isAutomatic && getRange &&
           getRanges;
  }
};

struct Device {
  std::string name;
  std::string id;
  bool operator==(const Device& other) const { return name == other.name && id == other.id; }
};

// minimum, maximum, step, default, automatic supported (0 or 1)
using Range = std::array<jint, 5>;

class Environment {
 public:
  explicit Environment(const Natives& natives) : natives_(natives) {
    table_.FindClass = &FindClass;
    table_.DeleteLocalRef = &DeleteLocalRef;
    table_.NewString = &NewString;
    table_.NewStringUTF = &NewStringUTF;
    table_.GetStringLength = &GetStringLength;
    table_.GetStringRegion = &GetStringRegion;
    table_.NewObjectArray = &NewObjectArray;
    table_.SetObjectArrayElement = &SetObjectArrayElement;
    table_.SetIntArrayRegion = &SetIntArrayRegion;
    handle_.env.functions = &table_;
    handle_.owner = this;
  }
  Environment(const Environment&) = delete;
  Environment& operator=(const Environment&) = delete;

  // The devices, or an empty list with the failure in status.
  std::vector<Device> list(jint* status) {
    jintArray result = ints(1);
    const jobjectArray namesAndIds = returned(natives_.listDevices(env(), nullptr, result));
    *status = intsOf(result).at(0);
    std::vector<Device> devices;
    if (namesAndIds == nullptr) return devices;
    const std::vector<jobject>& elements = objectOf(namesAndIds).objects;
    for (std::size_t i = 0; i + 1 < elements.size(); i += 2) {
      devices.push_back({textOf(elements[i]), textOf(elements[i + 1])});
    }
    return devices;
  }
  jint get(const std::string& id, jint control, jint* value) {
    jintArray result = ints(1);
    const jint status = returned(natives_.getValue(env(), nullptr, string(id), control, result));
    *value = intsOf(result).at(0);
    return status;
  }
  jint set(const std::string& id, jint control, jint value) {
    return returned(natives_.setValue(env(), nullptr, string(id), control, value));
  }
  jint setAutomatic(const std::string& id, jint control) {
    return returned(natives_.setAutomatic(env(), nullptr, string(id), control));
  }
  jint isAutomatic(const std::string& id, jint control, bool* automatic) {
    jintArray result = ints(1);
    const jint status = returned(natives_.isAutomatic(env(), nullptr, string(id), control, result));
    *automatic = intsOf(result).at(0) != 0;
    return status;
  }
  jint range(const std::string& id, jint control, Range* range) {
    jintArray result = ints(range->size());
    const jint status = returned(natives_.getRange(env(), nullptr, string(id), control, result));
    const std::vector<jint>& values = intsOf(result);
    std::copy(values.begin(), values.end(), range->begin());
    return status;
  }
  // Per control: {offered, minimum, maximum, step, default, automatic supported}.
  jint ranges(const std::string& id, std::vector<jint>* ranges) {
    jintArray result = ints(kControls * 6);
    const jint status = returned(natives_.getRanges(env(), nullptr, string(id), result));
    *ranges = intsOf(result);
    return status;
  }

  // The environment and its objects, for calls of the natives' own.
  JNIEnv* env() { return &handle_.env; }
  jstring string(const std::string& text) {
    return static_cast<jstring>(make({std::u16string(text.begin(), text.end()), {}, {}}));
  }
  jintArray ints(std::size_t length) {
    return static_cast<jintArray>(make({{}, std::vector<jint>(length, 0), {}}));
  }
  static std::string textOf(jobject text) {
    const std::u16string& chars = objectOf(text).text;
    return std::string(chars.begin(), chars.end());
  }

  // The most local references that a native held at once: a JVM has room for 16 by default.
  int mostLocalReferences() const { return mostLocalReferences_; }

 private:
  // An object of the environment: a String, an int[] or a String[].
  struct Object {
    std::u16string text;
    std::vector<jint> ints;
    std::vector<jobject> objects;
  };
  // JNIEnv first, so that the natives' JNIEnv* leads back to its Environment.
  struct Handle {
    JNIEnv env;
    Environment* owner;
  };

  static Environment& owner(JNIEnv* env) { return *reinterpret_cast<Handle*>(env)->owner; }
  static Object& objectOf(jobject object) { return *reinterpret_cast<Object*>(object); }

  jobject make(Object object) {
    objects_.push_back(std::move(object));
    return reinterpret_cast<jobject>(&objects_.back());
  }
  static const std::vector<jint>& intsOf(jintArray array) { return objectOf(array).ints; }
  // A native has returned: the JVM frees the local references it made.
  template <class Result>
  Result returned(Result result) {
    localReferences_ = 0;
    return result;
  }
  // A reference that a native made.
  jobject madeByNative(Object object) {
    mostLocalReferences_ = std::max(mostLocalReferences_, ++localReferences_);
    return make(std::move(object));
  }

  static jclass JNICALL FindClass(JNIEnv* env, const char* name) {
    if (std::string(name) != "java/lang/String") return nullptr;
    return static_cast<jclass>(owner(env).madeByNative({}));
  }
  static void JNICALL DeleteLocalRef(JNIEnv* env, jobject) { --owner(env).localReferences_; }
  static jstring JNICALL NewString(JNIEnv* env, const jchar* chars, jsize length) {
    return static_cast<jstring>(
        owner(env).madeByNative({std::u16string(chars, chars + length), {}, {}}));
  }
  static jstring JNICALL NewStringUTF(JNIEnv* env, const char* text) {
    const std::string ascii(text);
    return static_cast<jstring>(
        owner(env).madeByNative({std::u16string(ascii.begin(), ascii.end()), {}, {}}));
  }
  static jsize JNICALL GetStringLength(JNIEnv*, jstring text) {
    return static_cast<jsize>(objectOf(text).text.size());
  }
  static void JNICALL GetStringRegion(JNIEnv*, jstring text, jsize start, jsize length,
                                      jchar* chars) {
    objectOf(text).text.copy(reinterpret_cast<char16_t*>(chars), static_cast<std::size_t>(length),
                             static_cast<std::size_t>(start));
  }
  static jobjectArray JNICALL NewObjectArray(JNIEnv* env, jsize length, jclass, jobject) {
    return static_cast<jobjectArray>(
        owner(env).madeByNative({{}, {}, std::vector<jobject>(length, nullptr)}));
  }
  static void JNICALL SetObjectArrayElement(JNIEnv*, jobjectArray array, jsize index,
                                            jobject value) {
    objectOf(array).objects.at(static_cast<std::size_t>(index)) = value;
  }
  static void JNICALL SetIntArrayRegion(JNIEnv*, jintArray array, jsize start, jsize length,
                                        const jint* values) {
    std::vector<jint>& target = objectOf(array).ints;
    // Past the end, a JVM raises ArrayIndexOutOfBoundsException; here the test fails.
    for (jsize i = 0; i < length; ++i) target.at(static_cast<std::size_t>(start + i)) = values[i];
  }

  const Natives natives_;
  JNINativeInterface_ table_{};
  Handle handle_{};
  std::deque<Object> objects_;  // a deque, so that handed-out pointers stay valid
  int localReferences_ = 0;
  int mostLocalReferences_ = 0;
};

}  // namespace camera_jni
