// getCaptureProperties against our recording JNI environment, which records into the simulated
// system's own record, so that the order of JNI and device calls shows in one list.
#include <jni.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image_capture_exports.h"
#include "recording_jni.h"
#include "simulated_system.h"

namespace {

using Calls = std::vector<std::string>;
using recording_jni::Fields;
using recording_jni::kConstructed;

simulated::Camera oddCamera() {
  simulated::Camera camera;
  camera.name = "odd";
  camera.properties[VideoProcAmp_Brightness] = {true, 3, -100, -20, 7, -50, false};
  camera.properties[VideoProcAmp_Contrast] = {true, 9, 90, 10, 3, 0, false};  // reversed
  return camera;
}

Fields allConstructed() {
  Fields fields;
  for (const char* field : recording_jni::kFields) fields[field] = kConstructed;
  return fields;
}

class CapturePropertiesTest : public ::testing::Test {
 protected:
  void SetUp() override { simulated::reset(); }
  void TearDown() override {
    EXPECT_EQ(simulated::liveObjects(), 0) << "a COM object was left alive";
    EXPECT_EQ(simulated::openScopesOnThisThread(), 0) << "COM scopes unbalanced";
    simulated::reset();
  }

  jobject call() {
    return Java_quorvane_image_ImageCapture_getCaptureProperties(jni_.env(), nullptr);
  }

  recording_jni::Environment jni_{[](const std::string& call) { simulated::record(call); }};
};

TEST_F(CapturePropertiesTest, BuildsTheObjectFirstThenFillsBrightnessThenContrastFromOneLookup) {
  simulated::setCameras({oddCamera(), simulated::builtInCamera()});
  const jobject result = call();
  ASSERT_NE(result, nullptr);

  Calls expected = {"CoInitialize(nullptr)"};
  for (const std::string& call : recording_jni::objectConstruction()) expected.push_back(call);
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

  const Fields filled = {
      {"minBrightness", -100},      {"maxBrightness", -20}, {"steppingDeltaBrightness", 7},
      {"defaultBrightness", -50},   {"minContrast", 90},    {"maxContrast", 10},
      {"steppingDeltaContrast", 3}, {"defaultContrast", 0}};
  EXPECT_EQ(jni_.fieldsOf(result), filled);
}

TEST_F(CapturePropertiesTest, TwoCallsMakeTwoObjects) {
  const jobject first = call();
  const jobject second = call();
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(jni_.fieldsOf(first), jni_.fieldsOf(second));
  EXPECT_EQ(jni_.fieldsOf(second).at("maxContrast"), 95);
}

TEST_F(CapturePropertiesTest, WithoutVideoControlTheObjectStaysAsConstructed) {
  for (simulated::Step lookupFailure :
       {simulated::Step::CreateClassEnumerator, simulated::Step::BindToObject,
        simulated::Step::QueryInterface}) {
    simulated::reset();
    simulated::fail(lookupFailure);
    const jobject result = call();
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(jni_.fieldsOf(result), allConstructed());
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
  Fields expected = allConstructed();
  expected["minBrightness"] = -64;
  expected["maxBrightness"] = 64;
  expected["steppingDeltaBrightness"] = 1;
  expected["defaultBrightness"] = 0;
  EXPECT_EQ(jni_.fieldsOf(result), expected);

  simulated::reset();
  simulated::fail(simulated::Step::GetRange);
  EXPECT_EQ(jni_.fieldsOf(call()), allConstructed());
}

// Each missing piece: the JNI calls end at the failing one, no device is touched, COM closes.
TEST_F(CapturePropertiesTest, AMissingPieceStopsAtOnceWithNull) {
  std::vector<std::string> pieces = {recording_jni::kClassName};
  pieces.insert(pieces.end(), std::begin(recording_jni::kFields), std::end(recording_jni::kFields));
  pieces.push_back("<init>");
  pieces.push_back("NewObject");

  const Calls construction = recording_jni::objectConstruction();
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    SCOPED_TRACE(pieces[i]);
    simulated::clearCalls();
    jni_.missing = {pieces[i]};
    EXPECT_EQ(call(), nullptr);
    Calls expected = {"CoInitialize(nullptr)"};
    expected.insert(expected.end(), construction.begin(),
                    construction.begin() + static_cast<long>(i) + 1);
    expected.push_back("CoUninitialize()");
    EXPECT_EQ(simulated::calls(), expected);
  }
}

}  // namespace
