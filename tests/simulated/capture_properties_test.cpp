// getCaptureProperties against a JNI environment of our own that records each JNI call into the
// simulated system's record, so that the order of JNI and device calls shows in one list.
#include <jni.h>

#include <cstdarg>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "simulated_system.h"

extern "C" jobject Java_quorvane_image_ImageCapture_getCaptureProperties(JNIEnv*, jobject);

namespace {

using Calls = std::vector<std::string>;

const char* const kFields[] = {"minBrightness",         "maxBrightness",  "steppingDeltaBrightness",
                               "defaultBrightness",     "minContrast",    "maxContrast",
                               "steppingDeltaContrast", "defaultContrast"};
constexpr jint kSentinel = 0x5E471E;

// One CaptureProperties instance; its "constructor" stores the sentinel in every field.
struct RecordedObject {
  std::map<std::string, jint> fields;
};

// A JNI environment serving the five operations getCaptureProperties may use. Any other entry
// of the function table is null, so a call through it crashes the test.
class RecordingJni {
 public:
  RecordingJni() {
    table_.FindClass = &FindClass;
    table_.GetFieldID = &GetFieldID;
    table_.GetMethodID = &GetMethodID;
    table_.NewObject = &NewObject;
    table_.NewObjectV = &NewObjectV;
    table_.SetIntField = &SetIntField;
    env_.functions = &table_;
    current_ = this;
  }
  ~RecordingJni() { current_ = nullptr; }

  JNIEnv* env() { return &env_; }
  // Names that the JVM cannot find: the class name, a field, "<init>", or "NewObject" for an
  // object that cannot be made.
  std::set<std::string> missing;
  std::vector<RecordedObject> objects;  // reserved up front, so that pointers stay valid

  RecordedObject* objectOf(jobject handle) { return reinterpret_cast<RecordedObject*>(handle); }

 private:
  static jclass FindClass(JNIEnv*, const char* name) {
    simulated::record(std::string("JNI.FindClass(") + name + ")");
    if (current_->missing.count(name) != 0) return nullptr;
    return reinterpret_cast<jclass>(&current_->classToken_);
  }
  static jfieldID GetFieldID(JNIEnv*, jclass type, const char* name, const char* signature) {
    simulated::record(std::string("JNI.GetFieldID(") + name + ", " + signature + ")");
    if (type != reinterpret_cast<jclass>(&current_->classToken_)) return nullptr;
    if (current_->missing.count(name) != 0 || std::string(signature) != "I") return nullptr;
    for (const char* field : kFields) {
      if (std::string(field) == name) return reinterpret_cast<jfieldID>(const_cast<char*>(field));
    }
    return nullptr;
  }
  static jmethodID GetMethodID(JNIEnv*, jclass, const char* name, const char* signature) {
    simulated::record(std::string("JNI.GetMethodID(") + name + ", " + signature + ")");
    if (current_->missing.count(name) != 0) return nullptr;
    return reinterpret_cast<jmethodID>(&current_->constructorToken_);
  }
  static jobject NewObject(JNIEnv* env, jclass type, jmethodID constructor, ...) {
    va_list arguments;
    va_start(arguments, constructor);
    jobject object = NewObjectV(env, type, constructor, arguments);
    va_end(arguments);
    return object;
  }
  // What JNIEnv's C++ NewObject forwards to.
  static jobject NewObjectV(JNIEnv*, jclass, jmethodID constructor, va_list) {
    simulated::record("JNI.NewObject");
    if (current_->missing.count("NewObject") != 0) return nullptr;
    if (constructor != reinterpret_cast<jmethodID>(&current_->constructorToken_)) return nullptr;
    RecordedObject object;
    for (const char* field : kFields) object.fields[field] = kSentinel;
    current_->objects.push_back(object);
    return reinterpret_cast<jobject>(&current_->objects.back());
  }
  static void SetIntField(JNIEnv*, jobject target, jfieldID field, jint value) {
    const char* name = reinterpret_cast<const char*>(field);
    simulated::record(std::string("JNI.SetIntField(") + name + ", " + std::to_string(value) + ")");
    current_->objectOf(target)->fields.at(name) = value;
  }

  static RecordingJni* current_;
  JNINativeInterface_ table_{};
  JNIEnv env_{};
  char classToken_ = 0;
  char constructorToken_ = 0;
};
RecordingJni* RecordingJni::current_ = nullptr;

simulated::Camera oddCamera() {
  simulated::Camera camera;
  camera.name = "odd";
  camera.properties[VideoProcAmp_Brightness] = {true, 3, -100, -20, 7, -50, false};
  camera.properties[VideoProcAmp_Contrast] = {true, 9, 90, 10, 3, 0, false};  // reversed
  return camera;
}

Calls jniLookups() {
  Calls calls = {"JNI.FindClass(quorvane/image/CaptureProperties)"};
  for (const char* field : kFields)
    calls.push_back(std::string("JNI.GetFieldID(") + field + ", I)");
  calls.push_back("JNI.GetMethodID(<init>, ()V)");
  calls.push_back("JNI.NewObject");
  return calls;
}

class CapturePropertiesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    simulated::reset();
    jni_.objects.reserve(8);
  }
  void TearDown() override {
    EXPECT_EQ(simulated::liveObjects(), 0) << "a COM object was left alive";
    EXPECT_EQ(simulated::openScopesOnThisThread(), 0) << "COM scopes unbalanced";
    simulated::reset();
  }

  jobject call() {
    return Java_quorvane_image_ImageCapture_getCaptureProperties(jni_.env(), nullptr);
  }

  RecordingJni jni_;
};

TEST_F(CapturePropertiesTest, BuildsTheObjectFirstThenFillsBrightnessThenContrastFromOneLookup) {
  simulated::setCameras({oddCamera(), simulated::builtInCamera()});
  const jobject result = call();
  ASSERT_NE(result, nullptr);

  Calls expected = {"CoInitialize(nullptr)"};
  for (const std::string& call : jniLookups()) expected.push_back(call);
  for (const char* call : {
           "CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, 3, IID_ICreateDevEnum)",
           "SystemDeviceEnum.CreateClassEnumerator(CLSID_VideoInputDeviceCategory, 0)",
           "EnumMoniker.Next(1)",
           "Moniker[odd].BindToObject(nullptr, nullptr, IID_IBaseFilter)",
           "Moniker[odd].Release()",
           "EnumMoniker.Release()",
           "SystemDeviceEnum.Release()",
           "Filter[odd].QueryInterface(IID_IAMVideoProcAmp)",
           "Filter[odd].Release()",
           "Filter[odd].GetRange(0)",
           "JNI.SetIntField(minBrightness, -100)",
           "JNI.SetIntField(maxBrightness, -20)",
           "JNI.SetIntField(steppingDeltaBrightness, 7)",
           "JNI.SetIntField(defaultBrightness, -50)",
           "Filter[odd].GetRange(1)",
           "JNI.SetIntField(minContrast, 90)",
           "JNI.SetIntField(maxContrast, 10)",
           "JNI.SetIntField(steppingDeltaContrast, 3)",
           "JNI.SetIntField(defaultContrast, 0)",
           "Filter[odd].Release()",
           "CoUninitialize()",
       }) {
    expected.push_back(call);
  }
  EXPECT_EQ(simulated::calls(), expected);

  const std::map<std::string, jint> filled = {
      {"minBrightness", -100},      {"maxBrightness", -20}, {"steppingDeltaBrightness", 7},
      {"defaultBrightness", -50},   {"minContrast", 90},    {"maxContrast", 10},
      {"steppingDeltaContrast", 3}, {"defaultContrast", 0}};
  EXPECT_EQ(jni_.objectOf(result)->fields, filled);
}

TEST_F(CapturePropertiesTest, TwoCallsMakeTwoObjects) {
  const jobject first = call();
  const jobject second = call();
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(jni_.objectOf(first)->fields, jni_.objectOf(second)->fields);
  EXPECT_EQ(jni_.objectOf(second)->fields.at("maxContrast"), 95);
}

TEST_F(CapturePropertiesTest, WithoutVideoControlTheObjectStaysAsConstructed) {
  for (simulated::Step lookupFailure :
       {simulated::Step::CreateClassEnumerator, simulated::Step::BindToObject,
        simulated::Step::QueryInterface}) {
    simulated::reset();
    simulated::fail(lookupFailure);
    const jobject result = call();
    ASSERT_NE(result, nullptr);
    for (const auto& [field, value] : jni_.objectOf(result)->fields) {
      EXPECT_EQ(value, kSentinel) << field;
    }
    const Calls calls = simulated::calls();
    EXPECT_EQ(calls.back(), "CoUninitialize()");
    for (const std::string& call : calls) {
      EXPECT_EQ(call.find("GetRange"), std::string::npos) << call;
      EXPECT_EQ(call.find("SetIntField"), std::string::npos) << call;
    }
  }
}

TEST_F(CapturePropertiesTest, ARangeTheDeviceCannotReportKeepsItsConstructedValues) {
  simulated::Camera camera = simulated::builtInCamera();
  camera.properties[VideoProcAmp_Contrast].present = false;
  simulated::setCameras({camera});
  const jobject result = call();
  ASSERT_NE(result, nullptr);
  const std::map<std::string, jint>& fields = jni_.objectOf(result)->fields;
  EXPECT_EQ(fields.at("minBrightness"), -64);
  EXPECT_EQ(fields.at("maxBrightness"), 64);
  EXPECT_EQ(fields.at("steppingDeltaBrightness"), 1);
  EXPECT_EQ(fields.at("defaultBrightness"), 0);
  for (const char* field :
       {"minContrast", "maxContrast", "steppingDeltaContrast", "defaultContrast"}) {
    EXPECT_EQ(fields.at(field), kSentinel) << field;
  }

  simulated::reset();
  simulated::fail(simulated::Step::GetRange);
  const jobject unknown = call();
  for (const auto& [field, value] : jni_.objectOf(unknown)->fields) {
    EXPECT_EQ(value, kSentinel) << field;
  }
}

// Each missing piece: the JNI calls end at the failing one, no device is touched, COM closes.
TEST_F(CapturePropertiesTest, AMissingPieceStopsAtOnceWithNull) {
  std::vector<std::string> pieces = {"quorvane/image/CaptureProperties"};
  pieces.insert(pieces.end(), std::begin(kFields), std::end(kFields));
  pieces.push_back("<init>");
  pieces.push_back("NewObject");

  const Calls lookups = jniLookups();
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    SCOPED_TRACE(pieces[i]);
    simulated::clearCalls();
    jni_.missing = {pieces[i]};
    EXPECT_EQ(call(), nullptr);
    Calls expected = {"CoInitialize(nullptr)"};
    expected.insert(expected.end(), lookups.begin(), lookups.begin() + static_cast<long>(i) + 1);
    expected.push_back("CoUninitialize()");
    EXPECT_EQ(simulated::calls(), expected);
  }
}

}  // namespace
