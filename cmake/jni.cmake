# kivdshow_jni: the JNI header, with nothing to link; the JVM supplies the functions at run time.
add_library(kivdshow_jni INTERFACE)

# The build machine's JDK: JAVA_HOME when set, else the one whose javac is on the PATH.
if(NOT JAVA_HOME AND DEFINED ENV{JAVA_HOME})
  set(JAVA_HOME "$ENV{JAVA_HOME}")
endif()
if(NOT JAVA_HOME)
  find_program(KIVDSHOW_JAVAC javac NO_CMAKE_FIND_ROOT_PATH)
  if(KIVDSHOW_JAVAC)
    file(REAL_PATH "${KIVDSHOW_JAVAC}" javac_path)
    cmake_path(GET javac_path PARENT_PATH java_bin)
    cmake_path(GET java_bin PARENT_PATH JAVA_HOME)
  endif()
endif()

if(CMAKE_SYSTEM_NAME STREQUAL "Windows" OR CMAKE_CROSSCOMPILING)
  # jni.h is the same on every platform, so the build machine's serves, found outside the
  # root of a cross build. The Windows jni_md.h is our own: no Windows JDK is needed; Linux's is
  # the same on every processor.
  find_path(KIVDSHOW_JNI_INCLUDE_DIR jni.h
    HINTS "${JAVA_HOME}/include"
    NO_CMAKE_FIND_ROOT_PATH
    REQUIRED)
  if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
    set(jni_md_dir "${PROJECT_SOURCE_DIR}/src/bridge/windows")
  else()
    set(jni_md_dir "${KIVDSHOW_JNI_INCLUDE_DIR}/linux")
  endif()
  target_include_directories(kivdshow_jni INTERFACE "${KIVDSHOW_JNI_INCLUDE_DIR}" "${jni_md_dir}")
else()
  find_package(JNI REQUIRED)
  target_include_directories(kivdshow_jni INTERFACE ${JNI_INCLUDE_DIRS})
endif()
