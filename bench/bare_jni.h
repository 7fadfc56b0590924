// The cheapest JNI environment that getCaptureProperties can run on: it serves the calls the
// method makes, counts them, and hands out one reused object, so that a benchmark of a million
// calls measures the method rather than the environment. Any other entry is null.
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
    env_.functions = &table_;
  }
  BareJni(const BareJni&) = delete;
  BareJni& operator=(const BareJni&) = delete;

  JNIEnv* env() { return &env_; }

  // The JNI calls made so far, per function, e.g. "FindClass 1, GetFieldID 8, ...".
  std::string counts() const {
    return "FindClass " + std::to_string(counts_.findClass) + ", GetFieldID " +
           std::to_string(counts_.getFieldID) + ", GetMethodID " +
           std::to_string(counts_.getMethodID) + ", NewObject " +
           std::to_string(counts_.newObject) + ", SetIntField " +
           std::to_string(counts_.setIntField);
  }
  void resetCounts() { counts_ = {}; }

 private:
  struct Counts {
    long findClass = 0;
    long getFieldID = 0;
    long getMethodID = 0;
    long newObject = 0;
    long setIntField = 0;
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

  JNIEnv env_{};
  JNINativeInterface_ table_{};
  Counts counts_;
  jint object_ = 0;
};
