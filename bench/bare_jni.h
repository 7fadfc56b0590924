// The cheapest JNI environment that getCaptureProperties and the Camera calls by id can run on:
// it serves the calls the methods make, counts them, and hands out one reused object, one
// string and one int array, so that a benchmark of a million calls measures the method rather
// than the environment. Any other entry is null.
#pragma once

#include <jni.h>

#include <cstdarg>
#include <string>

class BareJni {
 public:
  BareJni() {
    table_.FindClass = &FindClass;
    table_.GetFieldID = &GetFieldID;
    table_.GetMethodID = &GetMethodID;
    table_.NewObjectV = &NewObjectV;
    table_.SetIntField = &SetIntField;
    table_.GetStringLength = &GetStringLength;
    table_.GetStringRegion = &GetStringRegion;
    table_.SetIntArrayRegion = &SetIntArrayRegion;
    env_.functions = &table_;
  }
  BareJni(const BareJni&) = delete;
  BareJni& operator=(const BareJni&) = delete;

  JNIEnv* env() { return &env_; }
  // The one string, which holds the ASCII text last given, and the one int array.
  void setString(const std::string& text) { text_.assign(text.begin(), text.end()); }
  jstring string() { return reinterpret_cast<jstring>(&text_); }
  jintArray ints() { return reinterpret_cast<jintArray>(&ints_); }

  // The JNI calls made so far, per function, e.g. "FindClass 1, GetFieldID 8, ...".
  std::string counts() const {
    return "FindClass " + std::to_string(counts_.findClass) + ", GetFieldID " +
           std::to_string(counts_.getFieldID) + ", GetMethodID " +
           std::to_string(counts_.getMethodID) + ", NewObject " +
           std::to_string(counts_.newObject) + ", SetIntField " +
           std::to_string(counts_.setIntField) + ", GetStringLength " +
           std::to_string(counts_.getStringLength) + ", GetStringRegion " +
           std::to_string(counts_.getStringRegion) + ", SetIntArrayRegion " +
           std::to_string(counts_.setIntArrayRegion);
  }
  void resetCounts() { counts_ = {}; }

 private:
  struct Counts {
    long findClass = 0;
    long getFieldID = 0;
    long getMethodID = 0;
    long newObject = 0;
    long setIntField = 0;
    long getStringLength = 0;
    long getStringRegion = 0;
    long setIntArrayRegion = 0;
  };

  static BareJni& of(JNIEnv* env) {
    // env_ is the first member, so the environment's address is the object's.
    return *reinterpret_cast<BareJni*>(env);
  }

  static jclass JNICALL FindClass(JNIEnv* env, const char*) {
    ++of(env).counts_.findClass;
    return reinterpret_cast<jclass>(&of(env).object_);
  }
  static jfieldID JNICALL GetFieldID(JNIEnv* env, jclass, const char*, const char*) {
    ++of(env).counts_.getFieldID;
    return reinterpret_cast<jfieldID>(&of(env).object_);
  }
  static jmethodID JNICALL GetMethodID(JNIEnv* env, jclass, const char*, const char*) {
    ++of(env).counts_.getMethodID;
    return reinterpret_cast<jmethodID>(&of(env).object_);
  }
  static jobject JNICALL NewObjectV(JNIEnv* env, jclass, jmethodID, va_list) {
    ++of(env).counts_.newObject;
    return reinterpret_cast<jobject>(&of(env).object_);
  }
  static void JNICALL SetIntField(JNIEnv* env, jobject, jfieldID, jint value) {
    ++of(env).counts_.setIntField;
    of(env).object_ = value;
  }

  static jsize JNICALL GetStringLength(JNIEnv* env, jstring) {
    ++of(env).counts_.getStringLength;
    return static_cast<jsize>(of(env).text_.size());
  }
  static void JNICALL GetStringRegion(JNIEnv* env, jstring, jsize start, jsize length,
                                      jchar* chars) {
    ++of(env).counts_.getStringRegion;
    of(env).text_.copy(reinterpret_cast<char16_t*>(chars), static_cast<std::size_t>(length),
                       static_cast<std::size_t>(start));
  }
  static void JNICALL SetIntArrayRegion(JNIEnv* env, jintArray, jsize start, jsize length,
                                        const jint* values) {
    ++of(env).counts_.setIntArrayRegion;
    for (jsize i = 0; i < length && start + i < kInts; ++i) of(env).ints_[start + i] = values[i];
  }

  static constexpr jsize kInts = 8;
  JNIEnv env_{};
  JNINativeInterface_ table_{};
  Counts counts_;
  jint object_ = 0;
  std::u16string text_;
  jint ints_[kInts] = {};
};
