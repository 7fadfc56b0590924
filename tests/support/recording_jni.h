// A JNI environment of our own for calling getCaptureProperties without a JVM. It serves the
// operations that the method may use, records each call through a function the test gives, and
// makes CaptureProperties objects whose constructor stores kConstructed in every field, so that
// each overwrite shows. Any other entry of the function table is null: a call through it
// crashes the test.
#pragma once

#include <jni.h>

#include <cstdarg>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace recording_jni {

inline const char* const kFields[] = {
    "minBrightness", "maxBrightness", "steppingDeltaBrightness", "defaultBrightness",
    "minContrast",   "maxContrast",   "steppingDeltaContrast",   "defaultContrast"};
inline constexpr jint kConstructed = 0x5E471E;
inline constexpr const char* kClassName = "quorvane/image/CaptureProperties";

using Fields = std::map<std::string, jint>;

// The JNI calls that getCaptureProperties makes before it touches the device, as recorded.
inline std::vector<std::string> objectConstruction() {
  std::vector<std::string> calls = {std::string("JNI.FindClass(") + kClassName + ")"};
  for (const char* field : kFields)
    calls.push_back(std::string("JNI.GetFieldID(") + field + ", I)");
  calls.push_back("JNI.GetMethodID(<init>, ()V)");
  calls.push_back("JNI.NewObject");
  return calls;
}

class Environment {
 public:
  using Recorder = void (*)(const std::string& call);

  explicit Environment(Recorder recorder) : recorder_(recorder) {
    table_.FindClass = &FindClass;
    table_.GetFieldID = &GetFieldID;
    table_.GetMethodID = &GetMethodID;
    table_.NewObject = &NewObject;
    table_.NewObjectV = &NewObjectV;
    table_.SetIntField = &SetIntField;
    env_.functions = &table_;
    current_ = this;
  }
  ~Environment() { current_ = nullptr; }
  Environment(const Environment&) = delete;
  Environment& operator=(const Environment&) = delete;

  JNIEnv* env() { return &env_; }
  const Fields& fieldsOf(jobject object) const { return *reinterpret_cast<Fields*>(object); }

  // Names that the JVM cannot find: the class, a field, "<init>"; or "NewObject" for an object
  // that cannot be made.
  std::set<std::string> missing;

 private:
  static void record(const std::string& call) { current_->recorder_(call); }
  static bool isMissing(const std::string& name) { return current_->missing.count(name) != 0; }

  static jclass JNICALL FindClass(JNIEnv*, const char* name) {
    record(std::string("JNI.FindClass(") + name + ")");
    if (isMissing(name) || std::string(name) != kClassName) return nullptr;
    return reinterpret_cast<jclass>(&current_->classToken_);
  }
  static jfieldID JNICALL GetFieldID(JNIEnv*, jclass type, const char* name, const char* sig) {
    record(std::string("JNI.GetFieldID(") + name + ", " + sig + ")");
    if (type != reinterpret_cast<jclass>(&current_->classToken_)) return nullptr;
    if (isMissing(name) || std::string(sig) != "I") return nullptr;
    for (const char* field : kFields) {
      if (std::string(field) == name) return reinterpret_cast<jfieldID>(const_cast<char*>(field));
    }
    return nullptr;
  }
  static jmethodID JNICALL GetMethodID(JNIEnv*, jclass, const char* name, const char* sig) {
    record(std::string("JNI.GetMethodID(") + name + ", " + sig + ")");
    if (isMissing(name) || std::string(name) != "<init>" || std::string(sig) != "()V") {
      return nullptr;
    }
    return reinterpret_cast<jmethodID>(&current_->constructorToken_);
  }
  static jobject JNICALL NewObject(JNIEnv* env, jclass type, jmethodID constructor, ...) {
    va_list arguments;
    va_start(arguments, constructor);
    jobject object = NewObjectV(env, type, constructor, arguments);
    va_end(arguments);
    return object;
  }
  // What JNIEnv's C++ NewObject forwards to.
  static jobject JNICALL NewObjectV(JNIEnv*, jclass, jmethodID constructor, va_list) {
    record("JNI.NewObject");
    if (isMissing("NewObject")) return nullptr;
    if (constructor != reinterpret_cast<jmethodID>(&current_->constructorToken_)) return nullptr;
    Fields object;
    for (const char* field : kFields) object[field] = kConstructed;
    current_->objects_.push_back(object);
    return reinterpret_cast<jobject>(&current_->objects_.back());
  }
  static void JNICALL SetIntField(JNIEnv*, jobject target, jfieldID field, jint value) {
    const char* name = reinterpret_cast<const char*>(field);
    record(std::string("JNI.SetIntField(") + name + ", " + std::to_string(value) + ")");
    reinterpret_cast<Fields*>(target)->at(name) = value;
  }

  static inline Environment* current_ = nullptr;
  Recorder recorder_;
  JNINativeInterface_ table_{};
  JNIEnv env_{};
  std::deque<Fields> objects_;  // a deque, so that handed-out pointers stay valid
  char classToken_ = 0;
  char constructorToken_ = 0;
};

}  // namespace recording_jni
